#include "HouseholdFixture.h"
#include "Messages.h"
#include "ProgramAssembly.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QListView>
#include <QPushButton>

namespace {

class PersonColumn : public ::testing::Test
{
protected:
    void open()
    {
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
        m_list = m_form->findChild<QListView*>(QStringLiteral("Grid_PersonList"));
    }
    QStringList listed() const
    {
        QStringList names;
        for (int row = 0; row < m_list->model()->rowCount(); ++row)
            names << m_list->model()->index(row, 0).data().toString();
        return names;
    }
    int currentId() const { return m_household.dm().Person.field(QStringLiteral("Id")).asInteger(); }
    QString currentName() const { return m_list->currentIndex().data().toString(); }
    bool enabled(const char* name) const
    {
        return m_form->findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled();
    }
    void click(const char* name) { m_form->findChild<QPushButton*>(QString::fromLatin1(name))->click(); }

    mutable HouseholdFixture m_household;
    Messages::Recorder m_messages;
    std::unique_ptr<TMainForm> m_form;
    QListView* m_list = nullptr;
};

TEST_F(PersonColumn, PersonsAreListedByNameThenFirstName)
{
    m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Zoé"));
    m_household.addPerson(QStringLiteral("Bernard"), QStringLiteral("Luc"));
    m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Anne"));
    open();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Bernard Luc"), QStringLiteral("Martin Anne"),
                                     QStringLiteral("Martin Zoé")}));
    EXPECT_EQ(m_list->currentIndex().row(), 0);
    EXPECT_EQ(currentName(), QStringLiteral("Bernard Luc"));
    EXPECT_EQ(m_household.dm().Person.field(QStringLiteral("Name")).asString(), QStringLiteral("Bernard"));
}

TEST_F(PersonColumn, AccentedNamesSortWithTheirPlainLetter)
{
    m_household.addPerson(QStringLiteral("Fabre"), QStringLiteral("Ana"));
    m_household.addPerson(QStringLiteral("Émery"), QStringLiteral("Noé"));
    m_household.addPerson(QStringLiteral("dupont"), QStringLiteral("Éva"));
    m_household.addPerson(QStringLiteral("Dupont"), QStringLiteral("Eric"));
    open();
    EXPECT_TRUE(m_messages.texts().isEmpty()) << m_messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Dupont Eric"), QStringLiteral("dupont Éva"),
                                     QStringLiteral("Émery Noé"), QStringLiteral("Fabre Ana")}));
}

TEST_F(PersonColumn, PriorAndNextFollowThePlaceInTheList)
{
    for (const char* name : {"Alpha", "Bravo", "Charlie"})
        m_household.addPerson(QString::fromLatin1(name), QStringLiteral("X"));
    open();
    EXPECT_FALSE(enabled("Btn_Main_Prior"));
    EXPECT_TRUE(enabled("Btn_Main_Next"));
    click("Btn_Main_Next");
    EXPECT_EQ(currentName(), QStringLiteral("Bravo X"));
    EXPECT_TRUE(enabled("Btn_Main_Prior"));
    EXPECT_TRUE(enabled("Btn_Main_Next"));
    click("Btn_Main_Next");
    EXPECT_EQ(m_household.dm().Person.field(QStringLiteral("Name")).asString(), QStringLiteral("Charlie"));
    EXPECT_TRUE(enabled("Btn_Main_Prior"));
    EXPECT_FALSE(enabled("Btn_Main_Next"));
    click("Btn_Main_Prior");
    EXPECT_EQ(currentName(), QStringLiteral("Bravo X"));
}

TEST_F(PersonColumn, OnePersonHasNeitherPriorNorNext)
{
    m_household.addPerson(QStringLiteral("Seul"), QStringLiteral("Jean"));
    open();
    EXPECT_FALSE(enabled("Btn_Main_Prior"));
    EXPECT_FALSE(enabled("Btn_Main_Next"));
    EXPECT_TRUE(enabled("Btn_Main_Delete"));
    EXPECT_FALSE(enabled("Btn_Main_Record"));
}

TEST_F(PersonColumn, NewPersonIsListedFirstSelectedAndInEdit)
{
    m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Paul"));
    open();
    click("Btn_Main_Add");
    EXPECT_EQ(m_list->model()->rowCount(), 2);
    EXPECT_EQ(m_list->currentIndex().row(), 0);
    Dataset& person = m_household.dm().Person;
    EXPECT_GT(currentId(), 0) << "the new person has its Id before anything is typed";
    EXPECT_TRUE(person.isEditing());
    EXPECT_TRUE(enabled("Btn_Main_Record"));
    EXPECT_EQ(m_form->visiblePage(), TMainForm::General);

    person.field(QStringLiteral("Name")).setAsString(QStringLiteral("Zola"));
    const int id = currentId();
    click("Btn_Main_Record");
    EXPECT_FALSE(person.isEditing());
    EXPECT_FALSE(enabled("Btn_Main_Record"));
    EXPECT_EQ(listed().last(), QStringLiteral("Zola"));
    EXPECT_EQ(m_list->currentIndex().row(), 1) << "re-sorted and still selected";
    EXPECT_EQ(currentId(), id);
}

TEST_F(PersonColumn, ChangingANameThenChoosingAnotherPersonSavesAndSelectsTheChosenOne)
{
    m_household.addPerson(QStringLiteral("Aubert"), QStringLiteral("Léa"));
    m_household.addPerson(QStringLiteral("Caron"), QStringLiteral("Max"));
    open();
    Dataset& person = m_household.dm().Person;
    person.edit();
    person.field(QStringLiteral("Name")).setAsString(QStringLiteral("Dupuis"));
    m_list->setCurrentIndex(m_list->model()->index(1, 0)); // Caron
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Caron Max"), QStringLiteral("Dupuis Léa")}));
    EXPECT_EQ(currentName(), QStringLiteral("Caron Max"));
    EXPECT_EQ(person.field(QStringLiteral("Name")).asString(), QStringLiteral("Caron"));
    EXPECT_FALSE(person.isEditing());
}

TEST_F(PersonColumn, DeletingAsksFirstAndTheLastPersonLeavesAnEmptyHousehold)
{
    m_household.addPerson(QStringLiteral("Unique"), QStringLiteral("Ida"));
    open();
    m_messages.queueAnswer(Messages::Answer::No);
    click("Btn_Main_Delete");
    EXPECT_EQ(m_messages.texts(),
              QStringList{QStringLiteral("Confirmez-vous la suppression de ce carnet de santé ?")});
    EXPECT_EQ(m_household.personCount(), 1);

    click("Btn_Main_Delete");
    EXPECT_EQ(m_household.personCount(), 0);
    EXPECT_EQ(m_list->model()->rowCount(), 0);
    EXPECT_TRUE(enabled("Btn_Main_Add"));
    for (const char* b :
         {"Btn_Main_Delete", "Btn_Main_Prior", "Btn_Main_Next", "Btn_Main_Record", "Btn_Table"})
        EXPECT_FALSE(enabled(b)) << b;
}

TEST_F(PersonColumn, FirstPersonOfAnEmptyHouseholdEnablesThePersonCommands)
{
    open();
    EXPECT_FALSE(enabled("Btn_Imprimer"));
    click("Btn_Main_Add");
    for (const char* b : {"Btn_Main_Delete", "Btn_Main_Record", "Btn_Imprimer", "Btn_Html", "Btn_Table"})
        EXPECT_TRUE(enabled(b)) << b;
}

} // namespace
