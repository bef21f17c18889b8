#include "TRepeatVaccineList.h"

#include "BoosterReminders.h"
#include "Clock.h"
#include "TDataModule2.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>

namespace {

// Recomputes the boosters before the window's grid opens its query on them.
GridPanelSettings settingsFor(TDataModule2& dm2, int personId)
{
    BoosterReminders::recompute(personId);
    GridPanelSettings s;
    s.gridName = QStringLiteral("Grid_RepeatVaccine");
    s.accessibleName = QStringLiteral("Rappels de vaccination");
    s.query = &dm2.RepeatVaccineQuery;
    s.columns = {{QStringLiteral("Date de rappel"), QStringLiteral("Repeat_Date"), 110},
                 {QStringLiteral("Vaccin"), QStringLiteral("Vaccin"), 230},
                 {QStringLiteral("Dernière vaccination"), QStringLiteral("Last")}};
    s.lastColumnFills = true;
    s.filterLine = BoosterReminders::kPendingFilter;
    s.ownerId = [personId] { return personId; };
    return s;
}

// Draws a reminder row by how soon its booster is due.
class UrgencyDelegate : public QStyledItemDelegate
{
public:
    UrgencyDelegate(Dataset& reminders, QObject* parent) : QStyledItemDelegate(parent), m_reminders(reminders)
    {
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const int booster = m_reminders.fieldIndex(QStringLiteral("Repeat_Date"));
        if (booster < 0 || index.row() >= m_reminders.recordCount())
            return;
        const QDate date = m_reminders.fieldAt(index.row(), booster).asDate();
        switch (BoosterReminders::urgencyOf(date, Clock::today())) {
        case BoosterReminders::Urgency::Overdue:
            option->palette.setColor(QPalette::Text, QColor(0xC0, 0x00, 0x00));
            option->palette.setColor(QPalette::HighlightedText, QColor(0xFF, 0xD0, 0xD0));
            break;
        case BoosterReminders::Urgency::Soon:
            option->font.setBold(true);
            break;
        case BoosterReminders::Urgency::Later:
            break;
        }
    }

private:
    Dataset& m_reminders;
};

} // namespace

TRepeatVaccineList::TRepeatVaccineList(TDataModule2& dm2, int personId, QWidget* parent)
    : ListWindow(QStringLiteral("RepeatVaccineList"), QStringLiteral("  Liste des rappels de vaccination"),
                 settingsFor(dm2, personId), parent),
      m_overdue(new QLabel(this))
{
    if (auto* close = findChild<QPushButton*>(QStringLiteral("Btn_Close")))
        close->setObjectName(QStringLiteral("CloseBtn"));
    DatasetGrid* grid = panel()->grid();
    grid->setItemDelegate(new UrgencyDelegate(dm2.RepeatVaccineQuery, grid));

    const int overdue = BoosterReminders::overdueCount(dm2.RepeatVaccineQuery, Clock::today());
    m_overdue->setObjectName(QStringLiteral("Lab_Overdue"));
    m_overdue->setText(BoosterReminders::overdueText(overdue));
    m_overdue->setAccessibleName(m_overdue->text());
    if (overdue > 0)
        m_overdue->setStyleSheet(QStringLiteral("QLabel { color: #c00000; font-weight: bold; }"));
    panel()->buttonRow()->insertWidget(0, m_overdue);
    resize(680, 400);
}
