#include "TAnalysisList.h"

#include "AnalysisRecords.h"
#include "Messages.h"
#include "TDataModule1.h"
#include "TEnterAnalysis.h"

namespace {
GridPanelSettings settingsOf(TDataModule1& dm)
{
    GridPanelSettings s;
    s.gridName = QStringLiteral("BFSDBGridColor2");
    s.accessibleName = QStringLiteral("Liste des analyses");
    s.query = &dm.Lst_Analysis;
    s.columns = {{QStringLiteral("Titre"), QStringLiteral("Title"), 240},
                 {QStringLiteral("Unité"), QStringLiteral("Unit")},
                 {QStringLiteral("Decimales"), QStringLiteral("Decimal"), 80},
                 {QStringLiteral("Description"), QStringLiteral("Description")}};
    s.lastColumnFills = true;
    s.add = {QStringLiteral("Btn_Add"), QStringLiteral(" Ajouter")};
    s.edit = {QStringLiteral("Btn_Edit"), QStringLiteral(" Modifier")};
    s.initNewRow = [](Dataset& row) {
        row.field(QStringLiteral("Unit")).setAsString(QString());
        row.field(QStringLiteral("Decimal")).setAsInteger(2);
        row.field(QStringLiteral("Value_Min")).setAsDouble(0);
        row.field(QStringLiteral("Value_Max")).setAsDouble(0);
    };
    s.runEntry = [&dm](QWidget* window, Dataset& definition) {
        return TEnterAnalysis(dm, definition, window).exec() == QDialog::Accepted;
    };
    return s;
}
} // namespace

TAnalysisList::TAnalysisList(TDataModule1& dm, QWidget* parent)
    : ListWindow(QStringLiteral("AnalysisList"), QStringLiteral("  Liste des analyses"), settingsOf(dm),
                 parent),
      m_dm(dm)
{
    // Deleting takes the persons' follow-ups along, so it is the window's own command.
    panel()->addButton({QStringLiteral("Btn_Delete"), QStringLiteral(" Supprimer")},
                       [this] { Btn_DeleteClick(); });
    resize(720, 460);
    updateButtons();
}

void TAnalysisList::Btn_DeleteClick()
{
    if (!panel()->hasRows() || !Messages::ask(QStringLiteral("Désirez-vous supprimer cette analyse ?")))
        return;
    AnalysisRecords::deleteDefinition(m_dm, panel()->query());
    updateButtons();
}
