#include "FileDialogs.h"
#include "HouseholdFixture.h"
#include "Messages.h"
#include "NextModal.h"
#include "ProgramAssembly.h"
#include "ProgramState.h"
#include "TExportFhir.h"
#include "TMainForm.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>

namespace {

class FhirCommands : public ::testing::Test
{
protected:
    FhirCommands()
    {
        m_person = m_household.addPerson(QStringLiteral("Martin"), QStringLiteral("Léa"));
        QSqlQuery q(Connection::database());
        q.exec(QStringLiteral(
                   "INSERT INTO EVENT (Id_Ref, Date_Event, Description) VALUES (%1, '2020-01-02', 'Chute')")
                   .arg(m_person));
        m_form = ProgramAssembly::mainWindow(m_household.dm(), m_household.dm2());
        m_form->show();
    }
    QAction* action(const char* name) const { return m_form->findChild<QAction*>(QString::fromLatin1(name)); }

    HouseholdFixture m_household;
    Messages::Recorder m_messages;
    FileDialogs::Recorder m_files;
    std::unique_ptr<TMainForm> m_form;
    int m_person = -1;
};

TEST_F(FhirCommands, ExportThroughItsDialogThenImportAsANewPersonShownInTheList)
{
    ASSERT_TRUE(action("Popup_File_Export_Fhir")->isEnabled());
    EXPECT_TRUE(action("Popup_File_Import_Fhir")->isEnabled());
    const QString file = m_household.dataFolder() + QStringLiteral("Export/Léa.json");
    bool seen = false;
    NextModal::answer<TExportFhir>([&](TExportFhir* dialog) {
        seen = true;
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Ed_File"));
        // The proposed file is named after the person, in the data folder's Export/.
        EXPECT_EQ(edit->text(), m_household.dataFolder() + QStringLiteral("Export/Martin Léa.json"));
        EXPECT_EQ(edit->accessibleName(), QStringLiteral("Fichier"));
        EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("Ed_DocumentLimit"))->accessibleName(),
                  QStringLiteral("Taille maximale d'un document (Mo, 0 : sans limite)"));
        auto* documents = dialog->findChild<QCheckBox*>(QStringLiteral("Check_Documents"));
        documents->setChecked(false);
        EXPECT_FALSE(dialog->findChild<QLineEdit*>(QStringLiteral("Ed_DocumentLimit"))->isEnabled());
        edit->clear();
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("Btn_Ok"));
        EXPECT_FALSE(ok->isEnabled());
        edit->setText(file);
        ok->click();
    });
    action("Popup_File_Export_Fhir")->trigger();
    ASSERT_TRUE(seen);
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_EQ(m_messages.messages()[0].icon, Messages::Icon::Information)
        << m_messages.texts().join(u'\n').toStdString();
    const QJsonObject bundle = QJsonDocument::fromJson(TestFolders::readFile(file)).object();
    EXPECT_EQ(bundle.value(QStringLiteral("type")).toString(), QStringLiteral("collection"));

    m_files.queueAnswer(file);
    action("Popup_File_Import_Fhir")->trigger();
    EXPECT_EQ(m_household.personCount(), 2);
    ASSERT_EQ(m_messages.messages().size(), 2);
    EXPECT_TRUE(m_messages.texts()[1].startsWith(QStringLiteral("Le carnet de santé a été importé")))
        << m_messages.texts()[1].toStdString();
    // The new person is the current one, with its event.
    const int current = m_household.dm().Person.field(QStringLiteral("Id")).asInteger();
    EXPECT_NE(current, m_person);
    QSqlQuery q(Connection::database());
    q.exec(QStringLiteral("SELECT Description FROM EVENT WHERE Id_Ref=%1").arg(current));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("Chute"));
}

TEST_F(FhirCommands, DamagedFileIsRefusedWithItsReasonAndNothingAdded)
{
    const QString file = m_household.dataFolder() + QStringLiteral("abîmé.json");
    TestFolders::writeFile(file, "{\"resourceType\": \"Bundle\", \"entry\": [");
    m_files.queueAnswer(file);
    action("Popup_File_Import_Fhir")->trigger();
    EXPECT_EQ(m_household.personCount(), 1);
    ASSERT_EQ(m_messages.messages().size(), 1);
    EXPECT_TRUE(m_messages.texts()[0].contains(QStringLiteral("n'est pas un fichier JSON lisible")))
        << m_messages.texts()[0].toStdString();
}

} // namespace
