// The properties dialog: what can be typed, what Ok stores and writes, what
// a refusal or Annuler leaves alone, the scanner source list, the menu entry.
#include "CommandNames.h"
#include "IniFile.h"
#include "MailCommands.h"
#include "Messages.h"
#include "NextModal.h"
#include "NumberEdit.h"
#include "PersonPage.h"
#include "ProgramState.h"
#include "SettingsCommands.h"
#include "TEnterProperties.h"
#include "TestFolders.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

template <typename T> T* child(const QWidget& w, const char* name)
{
    T* found = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Replaces a field's text by what a user types, key by key.
QString typed(QLineEdit* field, const QString& keys)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, keys);
    return field->text();
}

Settings sample()
{
    Settings s;
    s.twainSource = QStringLiteral("test:1");
    s.maxWidth = 1600;
    s.jpegQuality = 85;
    s.smtpName = QStringLiteral("Léa");
    s.smtpEmail = QStringLiteral("lea@example.org");
    s.smtpHost = QStringLiteral("smtp.example.org");
    s.smtpPort = 25;
    s.left = 40;
    return s;
}

class Properties : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ini = m_scratch.path() + QStringLiteral("brivoline.ini");
        TestFolders::writeFile(m_ini, "[Windows]\r\nLeft=40\r\n; kept as written\r\n[Other]\r\nKey=1\r\n");
        m_before = TestFolders::readFile(m_ini);
    }
    QString m_ini;
    QByteArray m_before;
    TestFolders::Scratch m_scratch;
};

TEST_F(Properties, NumberFieldsRefuseWhatTheyCannotHold)
{
    TEnterProperties dialog(sample(), [](const Settings&) {});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Propriétés"));
    auto* pages = child<QTabWidget>(dialog, "PageControl");
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Général"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Serveur SMTP"));
    EXPECT_EQ(pages->currentIndex(), 0);

    auto* width = child<NumberEdit>(dialog, "Ed_ScanMaxWidth");
    auto* quality = child<NumberEdit>(dialog, "Ed_ScanJpegQuality");
    auto* port = child<NumberEdit>(dialog, "Ed_SMTP_Port");
    EXPECT_EQ(width->text(), QStringLiteral("1600"));
    EXPECT_NE(typed(width, QStringLiteral("6000")), QStringLiteral("6000"));
    EXPECT_EQ(typed(width, QStringLiteral("12a3")), QStringLiteral("123"));
    EXPECT_EQ(typed(width, QStringLiteral("50000")), QStringLiteral("5000"));
    EXPECT_EQ(typed(quality, QStringLiteral("101")), QStringLiteral("10"));
    EXPECT_EQ(typed(quality, QStringLiteral("100")), QStringLiteral("100"));
    EXPECT_EQ(typed(port, QStringLiteral("8025")), QStringLiteral("802"));
    EXPECT_EQ(typed(port, QStringLiteral("-587")), QStringLiteral("587"));

    // Values from outside are brought into range.
    Settings odd = sample();
    odd.maxWidth = 9000;
    odd.smtpPort = -3;
    TEnterProperties fromFile(odd, [](const Settings&) {});
    EXPECT_EQ(child<NumberEdit>(fromFile, "Ed_ScanMaxWidth")->text(), QStringLiteral("5000"));
    EXPECT_EQ(child<NumberEdit>(fromFile, "Ed_SMTP_Port")->text(), QStringLiteral("0"));
    for (const char* name :
         {"Ed_TwainSource", "Check_ShowTwainUI", "Ed_ScanMaxWidth", "Ed_ScanJpegQuality", "Ed_SMTP_Name",
          "Ed_SMTP_Email", "Ed_SMTP_Host", "Ed_SMTP_Port", "Btn_TwainSource"})
        EXPECT_FALSE(child<QWidget>(fromFile, name)->accessibleName().isEmpty()) << name;
}

TEST_F(Properties, OkRaisesTheMinimumsAndWritesTheWholeFileAtOnce)
{
    Settings running = sample();
    NextModal::answer<TEnterProperties>([](TEnterProperties* d) {
        typed(child<NumberEdit>(*d, "Ed_ScanMaxWidth"), QStringLiteral("100"));
        typed(child<NumberEdit>(*d, "Ed_ScanJpegQuality"), QStringLiteral("5"));
        typed(child<NumberEdit>(*d, "Ed_SMTP_Port"), QStringLiteral("587"));
        child<QCheckBox>(*d, "Check_ShowTwainUI")->setChecked(true);
        child<QCheckBox>(*d, "Check_SMTP_StartTLS")->setChecked(true);
        child<QLineEdit>(*d, "Ed_SMTP_Email")->setText(QString());
        child<QPushButton>(*d, "Btn_Ok")->click();
    });
    ASSERT_TRUE(SettingsCommands::editProperties(nullptr, running, m_ini));
    EXPECT_EQ(running.maxWidth, 500);
    EXPECT_EQ(running.jpegQuality, 10);
    EXPECT_EQ(running.smtpPort, 587);
    EXPECT_TRUE(running.showTwainUI);
    EXPECT_TRUE(running.smtpEmail.isEmpty());
    EXPECT_FALSE(MailCommands::available(running)) << "an empty sender's address disables sending";

    const Settings stored = Settings::read(m_ini);
    EXPECT_EQ(stored.maxWidth, 500);
    EXPECT_EQ(stored.jpegQuality, 10);
    EXPECT_EQ(stored.smtpPort, 587);
    EXPECT_TRUE(stored.smtpStartTls);
    EXPECT_FALSE(stored.smtpAuth);
    EXPECT_EQ(stored.twainSource, QStringLiteral("test:1"));
    const IniFile ini = IniFile::load(m_ini);
    EXPECT_EQ(ini.value(QStringLiteral("Other"), QStringLiteral("Key")), QStringLiteral("1"));
    EXPECT_TRUE(
        QString::fromUtf8(TestFolders::readFile(m_ini)).contains(QStringLiteral("; kept as written")));
}

TEST_F(Properties, RefusalsAndAnnulerLeaveTheFileAndTheSettings)
{
    Settings running = sample();
    Messages::Recorder messages;
    QStringList shownAfterRefusal;
    NextModal::answer<TEnterProperties>([&](TEnterProperties* d) {
        typed(child<NumberEdit>(*d, "Ed_ScanMaxWidth"), QStringLiteral("3000"));
        for (const QString& bad : {QStringLiteral("lea@"), QStringLiteral("lea example.org")}) {
            child<QLineEdit>(*d, "Ed_SMTP_Email")->setText(bad);
            child<QPushButton>(*d, "Btn_Ok")->click();
        }
        child<QLineEdit>(*d, "Ed_SMTP_Email")->setText(QStringLiteral("lea@example.org"));
        child<QLineEdit>(*d, "Ed_SMTP_Host")->setText(QStringLiteral("smtp.example.org\nx"));
        child<QPushButton>(*d, "Btn_Ok")->click();
        child<QLineEdit>(*d, "Ed_SMTP_Host")->setText(QStringLiteral("smtp.example.org"));
        child<NumberEdit>(*d, "Ed_SMTP_Port")->clear();
        child<QPushButton>(*d, "Btn_Ok")->click();
        typed(child<NumberEdit>(*d, "Ed_SMTP_Port"), QStringLiteral("25"));
        child<QCheckBox>(*d, "Check_SMTP_Auth")->setChecked(true);
        child<QPushButton>(*d, "Btn_Ok")->click();
        if (d->isVisible())
            shownAfterRefusal << QStringLiteral("open");
        EXPECT_EQ(child<QTabWidget>(*d, "PageControl")->currentIndex(), 1) << "the refused field is shown";
        child<QPushButton>(*d, "Btn_Cancel")->click();
    });
    EXPECT_FALSE(SettingsCommands::editProperties(nullptr, running, m_ini));
    ASSERT_EQ(messages.messages().size(), 5);
    EXPECT_TRUE(messages.texts()[0].startsWith(QStringLiteral("L'adresse email « lea@ »")));
    EXPECT_TRUE(messages.texts()[2].startsWith(QStringLiteral("Le nom du serveur SMTP")));
    EXPECT_TRUE(messages.texts()[3].startsWith(QStringLiteral("Indiquez le port")));
    EXPECT_TRUE(messages.texts()[4].contains(QStringLiteral("nom d'utilisateur")));
    EXPECT_EQ(shownAfterRefusal, QStringList{QStringLiteral("open")});
    EXPECT_EQ(TestFolders::readFile(m_ini), m_before);
    EXPECT_EQ(running.maxWidth, 1600);

    // A file that cannot be written: the dialog stays open, nothing changes.
    messages.clear();
    const QString unwritable = m_scratch.path() + QStringLiteral("absent/brivoline.ini");
    bool stillOpen = false;
    NextModal::answer<TEnterProperties>([&](TEnterProperties* d) {
        typed(child<NumberEdit>(*d, "Ed_ScanMaxWidth"), QStringLiteral("3000"));
        child<QPushButton>(*d, "Btn_Ok")->click();
        stillOpen = d->isVisible();
        child<QPushButton>(*d, "Btn_Cancel")->click();
    });
    EXPECT_FALSE(SettingsCommands::editProperties(nullptr, running, unwritable));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(running.maxWidth, 1600);
}

TEST_F(Properties, SourceListComesFromTheInstalledScanners)
{
    TestFolders::Scratch sane;
    TestFolders::writeFile(sane.path() + QStringLiteral("dll.conf"), "test\n");
    TestFolders::writeFile(sane.path() + QStringLiteral("test.conf"), "number_of_devices 2\n");
    qputenv("SANE_CONFIG_DIR", sane.path().chopped(1).toLocal8Bit());

    TEnterProperties dialog(sample(), [](const Settings&) {});
    dialog.show();
    child<QPushButton>(dialog, "Btn_TwainSource")->click();
    auto* list = dialog.findChild<QWidget*>(QStringLiteral("StrList"));
    ASSERT_NE(list, nullptr);
    auto* entries = list->findChild<QListWidget*>(QStringLiteral("List"));
    ASSERT_EQ(entries->count(), 2);
    EXPECT_EQ(entries->item(0)->text(), QStringLiteral("test:0"));
    EXPECT_EQ(entries->currentRow(), 1) << "the current source is preselected";
    entries->setCurrentRow(0);
    QTest::keyClick(entries, Qt::Key_Return);
    EXPECT_EQ(child<QLineEdit>(dialog, "Ed_TwainSource")->text(), QStringLiteral("test:0"));
}

// A main window that only records what the settings commands ask of it.
class RecordingHost : public MainWindowHost
{
public:
    QWidget* window() override { return nullptr; }
    void RefreshCommandStates() override { ++refreshes; }
    void RefreshCurrentPage() override {}
    void RefreshPersonList(int) override {}
    PersonPage* currentPage() const override { return nullptr; }
    void showPage(int) override {}
    void setCommand(CommandName name, std::function<void()> handler, std::function<bool()>) override
    {
        commands.insert(name.objectName(), std::move(handler));
    }
    QHash<QString, std::function<void()>> commands;
    int refreshes = 0;
};

TEST_F(Properties, MenuEntryEditsTheProgramSettingsAndRefreshesTheCommands)
{
    ProgramState& p = program();
    p.folders.data = m_scratch.path();
    p.folders.iniFileName = QStringLiteral("brivoline.ini");
    p.settings = sample();
    RecordingHost host;
    SettingsCommands::installCommands(host);
    ASSERT_TRUE(host.commands.contains(Commands::EditProperties.objectName()));

    NextModal::answer<TEnterProperties>([](TEnterProperties* d) {
        child<QLineEdit>(*d, "Ed_SMTP_Host")->setText(QStringLiteral("mail.example.org"));
        child<QPushButton>(*d, "Btn_Ok")->click();
    });
    host.commands.value(Commands::EditProperties.objectName())();
    EXPECT_EQ(p.settings.smtpHost, QStringLiteral("mail.example.org"));
    EXPECT_EQ(Settings::read(m_ini).smtpHost, QStringLiteral("mail.example.org"));
    EXPECT_EQ(host.refreshes, 1);

    NextModal::answer<TEnterProperties>([](TEnterProperties* d) { d->close(); });
    host.commands.value(Commands::EditProperties.objectName())();
    EXPECT_EQ(host.refreshes, 2) << "after a cancelled dialog too";
}

} // namespace
