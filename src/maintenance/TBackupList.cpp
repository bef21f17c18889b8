#include "TBackupList.h"

#include "BackupHistory.h"
#include "DatasetUtils.h"
#include "Messages.h"
#include "TDataModule1.h"

namespace {

GridPanelSettings settingsFor(TDataModule1& dm)
{
    // Read from each archive's file as the rows are shown: the history keeps
    // no more than the design's columns.
    dm.Backup.addCalculatedField(
        QStringLiteral("Chiffree"), Schema::ColumnType::Text, [](const Dataset& row) {
            return BackupHistory::encryptedText(row.field(QStringLiteral("Path")).asString());
        });
    GridPanelSettings s;
    s.gridName = QStringLiteral("Grid_Backup");
    s.accessibleName = QStringLiteral("Historique des sauvegardes");
    s.query = &dm.Backup;
    s.columns = {{QStringLiteral("Date"), QStringLiteral("DateSav"), 80},
                 {QStringLiteral("Heure"), QStringLiteral("TimeSav"), 50},
                 {QStringLiteral("Description"), QStringLiteral("Description"), 250},
                 {QStringLiteral("Fichier de sauvegarde"), QStringLiteral("Path"), 380},
                 {QStringLiteral("Chiffrée"), QStringLiteral("Chiffree")}};
    s.lastColumnFills = true;
    return s;
}

} // namespace

TBackupList::TBackupList(TDataModule1& dm, QWidget* parent)
    : ListWindow(QStringLiteral("BackupList"), QStringLiteral("  Historique des sauvegardes"),
                 settingsFor(dm), parent),
      m_dm(dm)
{
    panel()->addButton(
        {QStringLiteral("Btn_Delete"), QStringLiteral("Purger l'historique")}, [this] { Btn_DeleteClick(); },
        [this] { return panel()->hasRows(); });
    // White and pale blue rows, the chosen one dark blue with white text.
    DatasetGrid* grid = panel()->grid();
    QPalette colours = grid->palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::AlternateBase, QColor(0xe6, 0xf0, 0xff));
    colours.setColor(QPalette::Highlight, QColor(0x00, 0x00, 0x80));
    colours.setColor(QPalette::HighlightedText, Qt::white);
    grid->setPalette(colours);
    resize(900, 380);
    updateButtons();
}

void TBackupList::Btn_DeleteClick()
{
    if (!Messages::ask(QStringLiteral("Désirez-vous purger l'historique des sauvegardes ?")))
        return;
    m_dm.Backup.close();
    DatasetUtils::runStatement(m_dm.Query, QStringLiteral("DELETE FROM Backup"));
    panel()->reload();
    updateButtons();
}
