#include "Clock.h"
#include "CommandNames.h"
#include "Connection.h"
#include "DatasetGrid.h"
#include "DatasetUtils.h"
#include "GridPage.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "SqlRows.h"
#include "TEnterVaccineExe.h"
#include "TMainForm.h"
#include "TRepeatVaccineList.h"
#include "TStrList.h"

#include <functional>
#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabBar>
#include <QTest>

namespace {

template <typename W = QLineEdit> W* child(const QWidget* window, const char* name)
{
    auto* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Opens a field's reference list with its button and returns the entries offered.
QStringList openList(QWidget* dialog, const char* field, const char* button)
{
    child<QPushButton>(dialog, button)->click();
    auto* list = child(dialog, field)->findChild<TStrList*>();
    QStringList entries;
    if (list)
        for (int i = 0; i < list->list()->count(); ++i)
            entries << list->list()->item(i)->text();
    return entries;
}

// Types a date into a masked date field as the user does, or empties it.
void typeDate(QWidget* dialog, const char* field, const QString& date)
{
    QLineEdit* edit = child(dialog, field);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QString(date).remove(QLatin1Char('/')));
}

// Takes the entry of that text in the list open under the field.
void choose(QWidget* dialog, const char* field, const QString& text)
{
    auto* list = child(dialog, field)->findChild<TStrList*>();
    ASSERT_NE(list, nullptr);
    const QList<QListWidgetItem*> items = list->list()->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << text.toStdString();
    list->list()->setCurrentItem(items.first());
    list->choose();
}

class VaccinePage : public ::testing::Test
{
protected:
    VaccinePage()
    {
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(9, 30)));
        m_person = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
        m_roux =
            insert(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES ('Roux', 'Pédiatre')"));
        m_blanc = insert(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES ('Blanc', '')"));
        m_dtp = insert(QStringLiteral("INSERT INTO LST_VACCINE (Title, Category) VALUES ('dTP', 'Adulte')"));
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
        m_form->findChild<QTabBar*>(QStringLiteral("TabNoteBook"))->setCurrentIndex(TMainForm::Vaccine);
    }
    ~VaccinePage() override { Clock::setFixed({}); }

    static int insert(const QString& sql, const QVariantList& values = {})
    {
        return SqlRows::insert(sql, values);
    }
    int inject(int vaccine, const char* date, const char* booster, int doctor = -1)
    {
        return insert(
            QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Repeat_Date) "
                           "VALUES (?, ?, ?, ?, ?)"),
            {m_person, doctor < 0 ? QVariant() : QVariant(doctor), vaccine, QString::fromLatin1(date),
             booster ? QVariant(QString::fromLatin1(booster)) : QVariant()});
    }
    // Rows written behind the page's back: show them as a person change would.
    void reloadPage()
    {
        m_form->RefreshCurrentPage();
        m_form->RefreshCommandStates();
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(m_form.get(), name); }
    Dataset& query() { return m_household.dm().VaccineQuery; }
    QString cell(int row, int column) const
    {
        QAbstractItemModel* model = child<DatasetGrid>(m_form.get(), "Grid_Vaccine")->model();
        return model->data(model->index(row, column)).toString();
    }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    std::unique_ptr<TMainForm> m_form;
    int m_person = 0;
    int m_roux = 0;
    int m_blanc = 0;
    int m_dtp = 0;
};

TEST_F(VaccinePage, AddingAnInjectionNeedsAVaccineChosenFromTheList)
{
    const std::pair<const char*, const char*> named[] = {{"Btn_Vaccine_Add", "Ajouter"},
                                                         {"Btn_Vaccine_Edit", "Modifier"},
                                                         {"Btn_Vaccine_Delete", "Supprimer"}};
    for (const auto& [name, spoken] : named) {
        EXPECT_EQ(button(name)->accessibleName(), QString::fromLatin1(spoken));
        EXPECT_EQ(button(name)->toolTip(), QString::fromLatin1(spoken));
    }
    EXPECT_TRUE(button("Btn_Vaccine_Add")->isEnabled());
    EXPECT_FALSE(button("Btn_Vaccine_Edit")->isEnabled());

    bool seen = false;
    NextModal::answer<TEnterVaccineExe>([&](TEnterVaccineExe* w) {
        seen = true;
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Saisie d'une vaccination"));
        EXPECT_EQ(child(w, "Ed_Date")->text(), QStringLiteral("09/12/2026"));
        EXPECT_TRUE(child(w, "Ed_Vaccine")->isReadOnly());
        QPushButton* ok = child<QPushButton>(w, "Btn_Ok");
        EXPECT_FALSE(ok->isEnabled()) << "no vaccine yet";

        // Enter opens the list too, a little wider than the field.
        QTest::keyClick(child(w, "Ed_Doctor"), Qt::Key_Return);
        auto* enterList = child(w, "Ed_Doctor")->findChild<TStrList*>();
        ASSERT_NE(enterList, nullptr);
        EXPECT_EQ(enterList->width(), child(w, "Ed_Doctor")->width() + 15);
        enterList->close();
        EXPECT_EQ(openList(w, "Ed_Doctor", "Btn_Doctor"),
                  (QStringList{QStringLiteral("Blanc"), QStringLiteral("Roux (Pédiatre)")}));
        choose(w, "Ed_Doctor", QStringLiteral("Roux (Pédiatre)"));
        EXPECT_FALSE(ok->isEnabled()) << "the practitioner is optional, the vaccine is not";
        const QStringList vaccines = openList(w, "Ed_Vaccine", "Btn_Vaccine");
        EXPECT_TRUE(vaccines.contains(QStringLiteral("ROR (Obligatoire)"))) << "the template's vaccines";
        choose(w, "Ed_Vaccine", QStringLiteral("dTP (Adulte)"));
        EXPECT_EQ(child(w, "Ed_Vaccine")->text(), QStringLiteral("dTP (Adulte)"));
        EXPECT_TRUE(ok->isEnabled());
        child<QPlainTextEdit>(w, "Memo_Remark1")->setPlainText(QStringLiteral("Bras gauche"));
        typeDate(w, "Ed_Date_Repeat", QStringLiteral("09/12/2036"));
        ok->click();
    });
    button("Btn_Vaccine_Add")->click();
    ASSERT_TRUE(seen);

    ASSERT_EQ(query().recordCount(), 1);
    QSqlQuery stored(Connection::database());
    stored.exec(
        QStringLiteral("SELECT Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Repeat_Date, Remark1 FROM VACCINE"));
    ASSERT_TRUE(stored.next());
    EXPECT_EQ(stored.value(0).toInt(), m_person);
    EXPECT_EQ(stored.value(1).toInt(), m_roux);
    EXPECT_EQ(stored.value(2).toInt(), m_dtp);
    EXPECT_EQ(stored.value(3).toString().left(10), QStringLiteral("2026-12-09"));
    EXPECT_EQ(stored.value(4).toString().left(10), QStringLiteral("2036-12-09"));
    EXPECT_EQ(stored.value(5).toString(), QStringLiteral("Bras gauche"));
    EXPECT_EQ((QStringList{cell(0, 0), cell(0, 1), cell(0, 2), cell(0, 3), cell(0, 4)}),
              (QStringList{QStringLiteral("09/12/2026"), QStringLiteral("09/12/2036"),
                           QStringLiteral("dTP (Adulte)"), QStringLiteral("Roux (Pédiatre)"),
                           QStringLiteral("Bras gauche")}));
    EXPECT_TRUE(button("Btn_Vaccine_Edit")->isEnabled());
    EXPECT_TRUE(button("Btn_Vaccine_Delete")->isEnabled());
}

TEST_F(VaccinePage, EditingKeepsTheChoicesUntouchedAndADeletedVaccineMustBeChosenAgain)
{
    const int polio =
        insert(QStringLiteral("INSERT INTO LST_VACCINE (Title, Category) VALUES ('Polio', '')"));
    inject(m_dtp, "2020-01-10", "2030-01-10", m_blanc);
    inject(polio, "2021-02-01", nullptr, m_roux);
    insert(QStringLiteral("DELETE FROM LST_VACCINE WHERE Id=?"), {polio});
    reloadPage();
    EXPECT_EQ(cell(1, 2), QString()) << "an injection of a deleted vaccine is still listed";
    EXPECT_EQ(cell(1, 3), QStringLiteral("Roux (Pédiatre)"));

    // Double click edits; without opening the lists the Ids stay as they are.
    query().moveTo(0);
    NextModal::answer<TEnterVaccineExe>([](TEnterVaccineExe* w) {
        EXPECT_EQ(child(w, "Ed_Doctor")->text(), QStringLiteral("Blanc"));
        EXPECT_EQ(child(w, "Ed_Vaccine")->text(), QStringLiteral("dTP (Adulte)"));
        child<QPlainTextEdit>(w, "Memo_Remark1")->setPlainText(QStringLiteral("Lot 42"));
        child<QPushButton>(w, "Btn_Ok")->click();
    });
    auto* grid = child<DatasetGrid>(m_form.get(), "Grid_Vaccine");
    emit grid->doubleClicked(grid->model()->index(0, 0));
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT Id_Org FROM VACCINE WHERE Remark1='Lot 42'")),
              m_blanc);
    EXPECT_EQ(
        DatasetUtils::readNumber(QStringLiteral("SELECT Id_Vaccine FROM VACCINE WHERE Remark1='Lot 42'")),
        m_dtp);
    EXPECT_EQ(query().currentRow(), 0) << "the row edited stays selected";

    query().moveTo(1);
    NextModal::answer<TEnterVaccineExe>([](TEnterVaccineExe* w) {
        EXPECT_EQ(child(w, "Ed_Vaccine")->text(), QString());
        EXPECT_FALSE(child<QPushButton>(w, "Btn_Ok")->isEnabled());
        openList(w, "Ed_Vaccine", "Btn_Vaccine");
        choose(w, "Ed_Vaccine", QStringLiteral("dTP (Adulte)"));
        EXPECT_TRUE(child<QPushButton>(w, "Btn_Ok")->isEnabled());
        child<QPushButton>(w, "Btn_Ok")->click();
    });
    button("Btn_Vaccine_Edit")->click();
    EXPECT_EQ(DatasetUtils::readNumber(
                  QStringLiteral("SELECT count(*) FROM VACCINE WHERE Id_Vaccine=%1").arg(m_dtp)),
              2);
}

TEST_F(VaccinePage, ABoosterBeforeItsInjectionIsRefusedAndTheDialogStaysOpen)
{
    inject(m_dtp, "2020-01-10", "2030-01-10");
    reloadPage();
    bool refused = false;
    NextModal::answer<TEnterVaccineExe>([&](TEnterVaccineExe* w) {
        typeDate(w, "Ed_Date_Repeat", QStringLiteral("09/01/2020"));
        child<QPushButton>(w, "Btn_Ok")->click();
        refused = w->isVisible();
        EXPECT_EQ(m_messages.texts().size(), 1);
        if (!m_messages.texts().isEmpty()) {
            EXPECT_TRUE(m_messages.texts().last().startsWith(QStringLiteral(
                "La date de rappel (09/01/2020) précède la date de vaccination (10/01/2020).")));
        }
        EXPECT_EQ(child(w, "Ed_Date_Repeat")->text(), QStringLiteral("09/01/2020")) << "what was typed stays";
        // Without an injection date nothing could be placed either.
        typeDate(w, "Ed_Date", QString());
        typeDate(w, "Ed_Date_Repeat", QString());
        child<QPushButton>(w, "Btn_Ok")->click();
        EXPECT_TRUE(w->isVisible());
        if (!m_messages.texts().isEmpty()) {
            EXPECT_EQ(m_messages.texts().last(), QStringLiteral("Indiquez la date de vaccination."));
        }
        child<QPushButton>(w, "Btn_Cancel")->click();
    });
    button("Btn_Vaccine_Edit")->click();
    EXPECT_TRUE(refused);
    QSqlQuery stored(Connection::database());
    stored.exec(QStringLiteral("SELECT Date_Vaccine, Repeat_Date FROM VACCINE"));
    ASSERT_TRUE(stored.next());
    EXPECT_EQ(stored.value(0).toString().left(10), QStringLiteral("2020-01-10"));
    EXPECT_EQ(stored.value(1).toString().left(10), QStringLiteral("2030-01-10"));
}

TEST_F(VaccinePage, DeletingAsksAndEachPersonSeesOnlyItsInjections)
{
    inject(m_dtp, "2020-01-10", nullptr);
    reloadPage();
    m_messages.queueAnswer(Messages::Answer::No);
    button("Btn_Vaccine_Delete")->click();
    EXPECT_EQ(m_messages.texts().last(), QStringLiteral("Désirez-vous supprimer ce vaccin ?"));
    EXPECT_EQ(query().recordCount(), 1);

    m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
    m_form->RefreshPersonList(m_person);
    button("Btn_Main_Next")->click();
    EXPECT_EQ(query().recordCount(), 0);
    EXPECT_FALSE(button("Btn_Vaccine_Edit")->isEnabled());
    button("Btn_Main_Prior")->click();
    EXPECT_EQ(query().recordCount(), 1);

    button("Btn_Vaccine_Delete")->click();
    EXPECT_EQ(DatasetUtils::readNumber(QStringLiteral("SELECT count(*) FROM VACCINE")), 0);
    EXPECT_FALSE(button("Btn_Vaccine_Delete")->isEnabled());
    m_form->showPage(TMainForm::General);
    EXPECT_FALSE(query().isActive()) << "leaving the page closes its query";
}

TEST_F(VaccinePage, TheReminderListMarksOverdueAndSoonBoostersAndCountsTheOverdue)
{
    const int flu = insert(QStringLiteral("INSERT INTO LST_VACCINE (Title, Category) VALUES ('Grippe', '')"));
    const int rabies =
        insert(QStringLiteral("INSERT INTO LST_VACCINE (Title, Category) VALUES ('Rage', 'Voyage')"));
    inject(m_dtp, "2004-03-01", "2009-03-01", m_roux);
    inject(m_dtp, "2009-03-02", "2019-03-02", m_roux); // overdue
    inject(flu, "2025-12-20", "2026-12-20", m_blanc);  // within 30 days
    inject(rabies, "2026-01-05", "2036-01-05");        // later

    QAction* command = m_form->findChild<QAction*>(Commands::BoosterReminders.objectName());
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(command->isEnabled());
    bool seen = false;
    NextModal::answer<TRepeatVaccineList>([&](TRepeatVaccineList* w) {
        seen = true;
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Liste des rappels de vaccination"));
        QAbstractItemModel* model = child<DatasetGrid>(w, "Grid_RepeatVaccine")->model();
        QStringList headers;
        for (int c = 0; c < model->columnCount(); ++c)
            headers << model->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(headers, (QStringList{QStringLiteral("Date de rappel"), QStringLiteral("Vaccin"),
                                        QStringLiteral("Dernière vaccination")}));
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r)
            rows << model->index(r, 0).data().toString() + QLatin1Char('|') +
                        model->index(r, 1).data().toString() + QLatin1Char('|') +
                        model->index(r, 2).data().toString();
        EXPECT_EQ(rows, (QStringList{QStringLiteral("02/03/2019|dTP (Adulte)|02/03/2009 - Roux (Pédiatre)"),
                                     QStringLiteral("20/12/2026|Grippe|20/12/2025 - Blanc"),
                                     QStringLiteral("05/01/2036|Rage (Voyage)|05/01/2026 - ")}));
        EXPECT_EQ(child<QLabel>(w, "Lab_Overdue")->text(), QStringLiteral("1 rappel en retard"));
        QPushButton* close = child<QPushButton>(w, "CloseBtn");
        EXPECT_EQ(close->text(), QStringLiteral(" &Fermer"));
        close->click();
    });
    command->trigger();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(m_household.dm2().RepeatVaccineQuery.isActive()) << "the list's query closes with it";
    EXPECT_TRUE(m_messages.texts().isEmpty());
}

} // namespace
