#include "DocumentPage.h"

#include "AccessibleMenus.h"
#include "BmpFormat.h"
#include "Connection.h"
#include "DatasetGrid.h"
#include "FileDialogs.h"
#include "FileDocuments.h"
#include "GridPanel.h"
#include "HouseholdFixture.h"
#include "JpegIO.h"
#include "Messages.h"
#include "NextModal.h"
#include "PictureSamples.h"
#include "ProgramState.h"
#include "TEnterDocument.h"
#include "TWait.h"
#include "UrlCatcher.h"

#include <csignal>
#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <sys/resource.h>

using PictureSamples::run;

namespace {

QVariant scalar(const QString& sql)
{
    QSqlQuery q(Connection::database());
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
    return q.next() ? q.value(0) : QVariant();
}

QByteArray randomBytes(qint64 size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Writes beyond `bytes` fail with EFBIG for the life of the object: a disk
// that fills up in the middle of a write.
class FullDisk
{
public:
    explicit FullDisk(rlim_t bytes)
    {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
};

class DocumentPageTest : public ::testing::Test
{
protected:
    DocumentPageTest()
    {
        m_person = m_household.addPerson(QStringLiteral("Durand"), QStringLiteral("Élise"));
        m_page = std::make_unique<DocumentPage>(m_household.dm());
        QObject::connect(m_page.get(), &PersonPage::commandsChanged, m_page.get(),
                         [this] { m_page->refreshCommandStates(true); });
        m_page->resize(800, 600);
        m_page->show();
        refresh();
    }

    void refresh()
    {
        m_page->refreshPage(-1);
        m_page->refreshCommandStates(true);
    }
    QPushButton* button(const char* name) const
    {
        return m_page->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QString data(const QString& relative) const { return program().folders.database + relative; }
    QString file(const QString& name, const QByteArray& bytes) const
    {
        TestFolders::writeFile(m_outside.path() + name, bytes);
        return m_outside.path() + name;
    }
    int attach(const QString& path)
    {
        m_dialogs.queueAnswer(path);
        button("Btn_Document_File_Add")->click();
        return m_household.dm().DocumentFile.isEmpty() ? -1 : m_page->files()->currentId();
    }
    int fileRows() { return scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTFILE")).toInt(); }
    int imageRows() { return scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTIMG")).toInt(); }

    static void click(QWidget* w, const char* name)
    {
        w->findChild<QPushButton*>(QString::fromLatin1(name))->click();
    }
    // Types the title as a user does, over what was there.
    static void type(QWidget* w, const QString& text)
    {
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Ed_Title"));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    static QString caption(QWidget* w) { return w->findChild<QLabel*>(QStringLiteral("Lab_Image"))->text(); }
    int addPicture(const QString& title, const QString& source, int rotations = 0)
    {
        NextModal::answer<TEnterDocument>([this, title, source, rotations](TEnterDocument* w) {
            type(w, title);
            m_dialogs.queueAnswer(source);
            click(w, "Btn_Img");
            for (int i = 0; i < rotations; ++i)
                click(w, "Btn_Rotation_Right");
            click(w, "Btn_Ok");
            if (w->isVisible())
                w->reject();
        });
        button("Btn_Document_Img_Add")->click();
        const QListWidgetItem* item = m_page->images()->currentItem();
        return item ? item->data(Qt::UserRole).toInt() : -1;
    }
    void selectImage(int row) { m_page->images()->setCurrentRow(row); }

    HouseholdFixture m_household;
    TestFolders::Scratch m_outside;
    Messages::Recorder m_messages;
    FileDialogs::Recorder m_dialogs;
    UrlCatcher m_urls;
    std::unique_ptr<DocumentPage> m_page;
    int m_person = 0;
};

// --------------------------------------------------------------- files

TEST_F(DocumentPageTest, ScreenReadersFindBothMenusAndHearEachFilesTypeNotItsIconBytes)
{
    attach(file(QStringLiteral("report.xyz"), "lettre"));
    attach(file(QStringLiteral("analyse.pdf"), "%PDF-1.4"));
    DatasetGrid* grid = m_page->files()->grid();
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(grid)->tableInterface();
    ASSERT_NE(table, nullptr);
    Dataset& files = m_household.dm().DocumentFile;
    for (int row = 0; row < 2; ++row) {
        const QString type = files.fieldAt(row, files.fieldIndex(QStringLiteral("FileType"))).asString();
        ASSERT_FALSE(type.isEmpty());
        EXPECT_EQ(table->cellAt(row, 0)->text(QAccessible::Name), type);
        EXPECT_TRUE(grid->model()->index(row, 0).data().isNull()) << "the icon column shows no text";
    }

    const auto rightClick = [](QWidget* view) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), view->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(view, &event);
    };
    rightClick(grid->viewport());
    EXPECT_EQ(
        AccessibleMenus::open(),
        (QList<QStringList>{{QStringLiteral("Ajouter un fichier"), QStringLiteral("Supprimer ce fichier"),
                             QStringLiteral("Exécuter"), QStringLiteral("Enregistrer le document sous .."),
                             QStringLiteral("Envoyer par email")}}));
    QApplication::activePopupWidget()->hide();
    rightClick(m_page->images()->viewport());
    EXPECT_EQ(AccessibleMenus::open(),
              (QList<QStringList>{
                  {QStringLiteral("Ajouter un document"), QStringLiteral("Modifier ce document"),
                   QStringLiteral("Supprimer ce document"), QStringLiteral("Visualiser  et imprimer"),
                   QStringLiteral("Enregistrer le document sous .."), QStringLiteral("Envoyer par email")}}));
    QApplication::activePopupWidget()->hide();
}

TEST_F(DocumentPageTest, AttachedFilesOpenAndSaveByteIdentical)
{
    EXPECT_TRUE(button("Btn_Document_File_Add")->isEnabled());
    for (const char* name : {"Btn_Document_File_Delete", "Btn_Document_File_Exe", "Btn_Document_File_Save",
                             "Btn_Document_File_Email"})
        EXPECT_FALSE(button(name)->isEnabled()) << name;

    const QByteArray letter = randomBytes(1500, 1);
    const int empty = attach(file(QStringLiteral("vide.dat"), {}));
    const int id = attach(file(QStringLiteral("report.xyz"), letter));
    ASSERT_GT(empty, 0);
    ASSERT_GT(id, empty);
    Dataset& q = m_household.dm().DocumentFile;
    EXPECT_EQ(q.field(QStringLiteral("FileName")).asString(), QStringLiteral("report.xyz"));
    EXPECT_EQ(q.field(QStringLiteral("FileType")).asString(), QStringLiteral("XYZ file"));
    EXPECT_EQ(q.field(QStringLiteral("FileSize")).asString(), QStringLiteral("2 Ko"));
    EXPECT_EQ(q.field(QStringLiteral("Id_Ref")).asInteger(), m_person);
    EXPECT_EQ(q.field(QStringLiteral("DoType")).asInteger(), 1);
    EXPECT_EQ(BmpFormat::decode(q.field(QStringLiteral("FileIcon")).asBytes()).width(), 32);
    EXPECT_FALSE(QFileInfo::exists(data(QStringLiteral("Files/File.Tmp"))));
    const QString archive = data(QStringLiteral("Files/File%1.f").arg(id));
    EXPECT_TRUE(QString::fromUtf8(run(QStringLiteral("cabextract"), {QStringLiteral("-l"), archive}))
                    .contains(QStringLiteral("report.xyz")));
    for (const char* name : {"Btn_Document_File_Delete", "Btn_Document_File_Exe", "Btn_Document_File_Save"})
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    EXPECT_FALSE(button("Btn_Document_File_Email")->isEnabled());

    // Opened twice: the read-only copy of the first opening is replaced.
    button("Btn_Document_File_Exe")->click();
    button("Btn_Document_File_Exe")->click();
    ASSERT_EQ(m_urls.urls.size(), 2);
    const QString opened = m_urls.urls.last().toLocalFile();
    EXPECT_EQ(opened, FileDocuments::readingFolder() + QStringLiteral("report.xyz"));
    EXPECT_EQ(TestFolders::readFile(opened), letter);
    EXPECT_FALSE(QFileInfo(opened).isWritable() && QFileInfo(opened).permissions() & QFileDevice::WriteOwner);

    // Saved elsewhere; over an existing file only after Yes.
    const QString copy = m_outside.path() + QStringLiteral("copie.xyz");
    TestFolders::writeFile(copy, "ancien");
    m_dialogs.queueAnswer(copy);
    m_messages.queueAnswer(Messages::Answer::No);
    button("Btn_Document_File_Save")->click();
    EXPECT_EQ(TestFolders::readFile(copy), QByteArray("ancien"));
    const FileDialogs::Request& asked = m_dialogs.requests().last();
    EXPECT_EQ(asked.title, QStringLiteral("Enregistrer sous ..."));
    EXPECT_EQ(asked.filter, QStringLiteral("XYZ file|*.xyz"));
    EXPECT_EQ(asked.defaultExtension, QStringLiteral("xyz"));
    EXPECT_EQ(asked.fileName, QStringLiteral("report.xyz"));
    EXPECT_EQ(m_messages.texts().last(),
              QStringLiteral("Souhaitez-vous remplacer le fichier %1 existant.").arg(copy));
    m_dialogs.queueAnswer(copy);
    button("Btn_Document_File_Save")->click();
    EXPECT_EQ(TestFolders::readFile(copy), letter);

    // The empty file too.
    m_page->files()->grid()->selectRow(0);
    button("Btn_Document_File_Exe")->click();
    EXPECT_EQ(QFileInfo(m_urls.urls.last().toLocalFile()).size(), 0);
}

TEST_F(DocumentPageTest, ChoosingNothingOrAMissingFileLeavesNoTrace)
{
    button("Btn_Document_File_Add")->click(); // cancelled
    attach(m_outside.path() + QStringLiteral("parti.pdf"));
    EXPECT_EQ(fileRows(), 0);
    EXPECT_EQ(m_messages.texts(), QStringList{QStringLiteral("Fichier \"parti.pdf\" introuvable.")});
    EXPECT_EQ(m_dialogs.requests().first().title, QStringLiteral("Sélectionnez un fichier"));
    EXPECT_EQ(m_dialogs.requests().first().filter, QStringLiteral("Tous|*.*"));
    EXPECT_TRUE(TestFolders::exists(data(QStringLiteral("Files/"))));
    EXPECT_TRUE(QDir(data(QStringLiteral("Files/"))).isEmpty());
}

TEST_F(DocumentPageTest, ArchiveRemovedByHandGivesTheMessagesAndCanBeDeleted)
{
    const int id = attach(file(QStringLiteral("lettre.odt"), "texte"));
    const QString archive = data(QStringLiteral("Files/File%1.f").arg(id));
    QFile::remove(archive);
    button("Btn_Document_File_Exe")->click();
    button("Btn_Document_File_Save")->click();
    const QString sentence =
        QStringLiteral("\r\rLe fichier \"%1\" a sans doute été supprimé manuellement et n'est "
                       "plus accessible.")
            .arg(archive);
    EXPECT_EQ(m_messages.texts(),
              (QStringList{QStringLiteral("IMPOSSIBLE D'EXECUTER CE FICHIER !") + sentence,
                           QStringLiteral("IMPOSSIBLE DE TROUVER CE FICHIER !") + sentence}));
    EXPECT_TRUE(m_urls.urls.isEmpty());
    EXPECT_TRUE(m_dialogs.requests().size() == 1); // only the add

    // The Delete key on the grid asks, then removes the row.
    m_messages.clear();
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(m_page->files()->grid(), &release);
    EXPECT_EQ(m_messages.texts(),
              QStringList{QStringLiteral("Confirmez-vous la suppression de ce fichier ?")});
    EXPECT_EQ(fileRows(), 0);
    EXPECT_FALSE(button("Btn_Document_File_Delete")->isEnabled());
}

TEST_F(DocumentPageTest, DeletingAFileRemovesItsArchive)
{
    const int kept = attach(file(QStringLiteral("a.txt"), "a"));
    const int gone = attach(file(QStringLiteral("b.txt"), "b"));
    m_messages.queueAnswer(Messages::Answer::No);
    button("Btn_Document_File_Delete")->click();
    EXPECT_EQ(fileRows(), 2);
    button("Btn_Document_File_Delete")->click();
    EXPECT_EQ(fileRows(), 1);
    EXPECT_FALSE(QFileInfo::exists(data(QStringLiteral("Files/File%1.f").arg(gone))));
    EXPECT_TRUE(QFileInfo::exists(data(QStringLiteral("Files/File%1.f").arg(kept))));
}

TEST_F(DocumentPageTest, AFullDiskKeepsNoRowAndNoHalfWrittenFile)
{
    const QString big = file(QStringLiteral("scan.tif"), randomBytes(3'000'000, 2));
    {
        FullDisk disk(1'000'000);
        attach(big);
    }
    EXPECT_EQ(fileRows(), 0);
    EXPECT_TRUE(QDir(data(QStringLiteral("Files/"))).isEmpty());
    ASSERT_EQ(m_messages.texts().size(), 1);
    EXPECT_TRUE(m_messages.texts().first().startsWith(QStringLiteral("Impossible de créer l'archive")));

    // A picture that cannot be written: the dialog stays open with its title.
    const QString picture =
        file(QStringLiteral("radio.bmp"), BmpFormat::encode(PictureSamples::photo(800, 600)));
    bool stayedOpen = false;
    NextModal::answer<TEnterDocument>([&](TEnterDocument* w) {
        type(w, QStringLiteral("Radio"));
        m_dialogs.queueAnswer(picture);
        click(w, "Btn_Img");
        {
            FullDisk disk(100'000);
            click(w, "Btn_Ok");
        }
        stayedOpen = w->isVisible();
        EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("Ed_Title"))->text(), QStringLiteral("Radio"));
        click(w, "Btn_Ok"); // room again: saved this time
    });
    button("Btn_Document_Img_Add")->click();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(imageRows(), 1);
    EXPECT_EQ(
        QDir(data(QStringLiteral("Images/"))).entryList(QDir::Files),
        QStringList{
            QStringLiteral("Doc%1.jpg").arg(scalar(QStringLiteral("SELECT Id FROM DOCUMENTIMG")).toInt())});
}

TEST_F(DocumentPageTest, LargeFileAttachesWithAMovingBarAndOpensIdentical)
{
    // BRIVOLINE_LARGE_FILE_MB=1024 runs it with a gigabyte.
    const qint64 megabytes = qEnvironmentVariableIntValue("BRIVOLINE_LARGE_FILE_MB") > 0
                                 ? qEnvironmentVariableIntValue("BRIVOLINE_LARGE_FILE_MB")
                                 : 24;
    const QString big = m_outside.path() + QStringLiteral("film.bin");
    {
        QFile out(big);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (qint64 i = 0; i < megabytes; ++i)
            out.write(i % 2 ? randomBytes(1 << 20, quint32(i)) : QByteArray(1 << 20, char(i)));
    }
    int ticks = 0;
    QList<int> widths;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        ++ticks;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* wait = qobject_cast<TWait*>(w); wait && wait->isVisible())
                widths << wait->cursorWidth();
    });
    sampler.start(0); // at every pass of the event loop the attaching lets through
    const int id = attach(big);
    sampler.stop();
    ASSERT_GT(id, 0);
    EXPECT_GT(ticks, 3);
    ASSERT_GE(widths.size(), 2);
    EXPECT_LT(widths.first(), widths.last());
    EXPECT_TRUE(std::is_sorted(widths.begin(), widths.end()));

    button("Btn_Document_File_Exe")->click();
    run(QStringLiteral("cmp"), {big, m_urls.urls.last().toLocalFile()});
    QFile::remove(m_urls.urls.last().toLocalFile());
}

// --------------------------------------------------------------- pictures

TEST_F(DocumentPageTest, AddedPictureIsStoredRotatedWithinTheSettings)
{
    program().settings.maxWidth = 400;
    program().settings.jpegQuality = 80;
    for (const char* name : {"Btn_Document_Img_Edit", "Btn_Document_Img_Delete", "Btn_Document_Img_Exe",
                             "Btn_Document_Img_Save", "Btn_Document_Img_Email"})
        EXPECT_FALSE(button(name)->isEnabled()) << name;

    const QString source =
        file(QStringLiteral("ordonnance.bmp"), BmpFormat::encode(PictureSamples::photo(600, 300)));
    QStringList seen;
    NextModal::answer<TEnterDocument>([&](TEnterDocument* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Sélection d'un document"));
        EXPECT_FALSE(w->okButton()->isEnabled());
        type(w, QStringLiteral("   "));
        EXPECT_FALSE(w->okButton()->isEnabled()); // no picture yet
        m_dialogs.queueAnswer(source);
        click(w, "Btn_Img");
        seen << caption(w);
        const QRect shown = w->findChild<QLabel*>(QStringLiteral("Img_Document"))->geometry();
        EXPECT_EQ(shown.size(), QSize(300, 150));
        EXPECT_EQ(shown.top(), 1 + 75);
        EXPECT_TRUE(w->okButton()->isEnabled()); // blanks make a title
        click(w, "Btn_Rotation_Left");
        seen << caption(w);
        type(w, QStringLiteral("Ordonnance"));
        click(w, "Btn_Ok");
    });
    button("Btn_Document_Img_Add")->click();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Image (600 x 300)"), QStringLiteral("Image (300 x 600)")}));
    const FileDialogs::Request& asked = m_dialogs.requests().first();
    EXPECT_EQ(asked.title, QStringLiteral("Sélectionnez une image"));
    EXPECT_EQ(asked.defaultExtension, QStringLiteral("jpg"));

    ASSERT_EQ(imageRows(), 1);
    const int id = scalar(QStringLiteral("SELECT Id FROM DOCUMENTIMG")).toInt();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Title || '/' || DoType || '/' || Id_File || '/' || Id_Ref FROM "
                                    "DOCUMENTIMG"))
                  .toString(),
              QStringLiteral("Ordonnance/1/0/%1").arg(m_person));
    const QString stored = data(QStringLiteral("Images/Doc%1.jpg").arg(id));
    const Bitmap decoded = PictureSamples::fromPnm(run(QStringLiteral("djpeg"), {stored}));
    EXPECT_EQ(QSize(decoded.width(), decoded.height()), QSize(200, 400));
    const Bitmap thumbnail =
        BmpFormat::decode(scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG")).toByteArray());
    EXPECT_EQ(QSize(thumbnail.width(), thumbnail.height()), QSize(90, 90));
    EXPECT_FALSE(QFileInfo::exists(data(QStringLiteral("Images/tmp.bmp"))));
    ASSERT_EQ(m_page->images()->count(), 1);
    EXPECT_EQ(m_page->images()->item(0)->text(), QStringLiteral("Ordonnance"));
    EXPECT_FALSE(m_page->images()->item(0)->icon().isNull());
    for (const char* name : {"Btn_Document_Img_Edit", "Btn_Document_Img_Delete", "Btn_Document_Img_Save"})
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    EXPECT_TRUE(button("Btn_Document_Img_Exe")->isEnabled());
    EXPECT_FALSE(button("Btn_Document_Img_Email")->isEnabled()) << "no e-mail settings";

    // Reloaded, the page shows it again.
    m_page->leavePage();
    EXPECT_EQ(m_page->images()->count(), 0);
    refresh();
    EXPECT_EQ(m_page->images()->count(), 1);
}

TEST_F(DocumentPageTest, EditingTheTitleAloneLeavesThePicture)
{
    const QString source = file(QStringLiteral("radio.jpg"), {});
    SaveJpegFile(PictureSamples::photo(120, 80), source, 90);
    addPicture(QStringLiteral("Radio"), source);
    const int id = scalar(QStringLiteral("SELECT Id FROM DOCUMENTIMG")).toInt();
    const QString stored = data(QStringLiteral("Images/Doc%1.jpg").arg(id));
    const QByteArray picture = TestFolders::readFile(stored);
    const QByteArray thumbnail = scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG")).toByteArray();

    selectImage(0);
    NextModal::answer<TEnterDocument>([](TEnterDocument* w) {
        EXPECT_EQ(caption(w), QStringLiteral("Image (120 x 80)"));
        EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("Ed_Title"))->text(), QStringLiteral("Radio"));
        type(w, QStringLiteral("Radio du genou"));
        click(w, "Btn_Ok");
    });
    button("Btn_Document_Img_Edit")->click();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Title FROM DOCUMENTIMG")).toString(),
              QStringLiteral("Radio du genou"));
    EXPECT_EQ(m_page->images()->item(0)->text(), QStringLiteral("Radio du genou"));
    EXPECT_EQ(TestFolders::readFile(stored), picture);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG")).toByteArray(), thumbnail);

    // A cancelled edit changes nothing; four quarter turns count as a change.
    selectImage(0);
    NextModal::answer<TEnterDocument>([](TEnterDocument* w) {
        type(w, QStringLiteral("autre"));
        click(w, "Btn_Cancel");
    });
    button("Btn_Document_Img_Edit")->click();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Title FROM DOCUMENTIMG")).toString(),
              QStringLiteral("Radio du genou"));
    selectImage(0);
    NextModal::answer<TEnterDocument>([](TEnterDocument* w) {
        for (const char* turn :
             {"Btn_Rotation_Right", "Btn_Rotation_Right", "Btn_Rotation_Left", "Btn_Rotation_Left"})
            click(w, turn);
        EXPECT_TRUE(w->pictureChanged());
        click(w, "Btn_Ok");
    });
    button("Btn_Document_Img_Edit")->click();
    EXPECT_NE(TestFolders::readFile(stored), picture); // re-encoded
    Bitmap back;
    ASSERT_TRUE(LoadJpegFile(back, stored, true));
    EXPECT_EQ(QSize(back.width(), back.height()), QSize(120, 80));
}

TEST_F(DocumentPageTest, BadPicturesAreRefusedAtOnceAndNothingIsStored)
{
    QByteArray hugeBmp = BmpFormat::encode(PictureSamples::photo(4, 4));
    for (int i = 18; i < 26; ++i)
        hugeBmp[i] = i % 4 < 2 ? char(0xff) : char(0); // 65535 x 65535
    QByteArray hugeJpeg;
    {
        const QString small = file(QStringLiteral("small.jpg"), {});
        SaveJpegFile(PictureSamples::photo(16, 16), small, 90);
        hugeJpeg = TestFolders::readFile(small);
        const qsizetype sof = hugeJpeg.indexOf("\xff\xc0");
        hugeJpeg[sof + 5] = hugeJpeg[sof + 6] = hugeJpeg[sof + 7] = hugeJpeg[sof + 8] = char(0xff);
    }
    QByteArray truncated;
    {
        const QString photo = file(QStringLiteral("photo.jpg"), {});
        SaveJpegFile(PictureSamples::photo(1200, 900), photo, 90);
        truncated = TestFolders::readFile(photo).left(20000);
    }
    const QList<QPair<QString, QByteArray>> bad = {{QStringLiteral("texte.jpg"), "pas une image"},
                                                   {QStringLiteral("texte.bmp"), "pas une image"},
                                                   {QStringLiteral("geant.bmp"), hugeBmp},
                                                   {QStringLiteral("geant.jpg"), hugeJpeg},
                                                   {QStringLiteral("coupe.jpg"), truncated}};
    NextModal::answer<TEnterDocument>([&](TEnterDocument* w) {
        type(w, QStringLiteral("Essai"));
        for (const auto& [name, bytes] : bad) {
            m_messages.clear();
            m_dialogs.queueAnswer(file(name, bytes));
            QElapsedTimer clock;
            clock.start();
            click(w, "Btn_Img");
            EXPECT_LT(clock.elapsed(), 1000) << name.toStdString();
            ASSERT_EQ(m_messages.messages().size(), 1) << name.toStdString();
            EXPECT_EQ(m_messages.messages().first().icon, Messages::Icon::None);
            EXPECT_FALSE(w->okButton()->isEnabled()) << name.toStdString();
            EXPECT_EQ(caption(w), QStringLiteral("Image"));
        }
        click(w, "Btn_Cancel");
    });
    button("Btn_Document_Img_Add")->click();
    EXPECT_EQ(imageRows(), 0);
    EXPECT_TRUE(QDir(data(QStringLiteral("Images/"))).entryList(QDir::Files).isEmpty());
}

TEST_F(DocumentPageTest, PictureRemovedByHandAndDeletion)
{
    const QString source = file(QStringLiteral("lettre.jpg"), {});
    SaveJpegFile(PictureSamples::photo(50, 40), source, 90);
    const int id = addPicture(QStringLiteral("Lettre"), source);
    ASSERT_GT(id, 0) << m_messages.texts().join(u'|').toStdString();
    const QString stored = data(QStringLiteral("Images/Doc%1.jpg").arg(id));

    // Saved elsewhere first, then the stored picture disappears.
    const QString copy = m_outside.path() + QStringLiteral("copie.jpg");
    m_dialogs.queueAnswer(copy);
    button("Btn_Document_Img_Save")->click();
    EXPECT_EQ(TestFolders::readFile(copy), TestFolders::readFile(stored));
    EXPECT_EQ(m_dialogs.requests().last().fileName, QStringLiteral("Lettre"));
    QFile::remove(stored);
    button("Btn_Document_Img_Save")->click();
    EXPECT_EQ(m_messages.texts().last(),
              QStringLiteral("IMPOSSIBLE DE TROUVER L'IMAGE !\rLe fichier \"%1\" a sans doute été supprimé "
                             "manuellement et n'est plus accessible.")
                  .arg(stored));
    NextModal::answer<TEnterDocument>([](TEnterDocument* w) {
        EXPECT_EQ(caption(w), QStringLiteral("Image"));
        EXPECT_FALSE(w->okButton()->isEnabled());
        click(w, "Btn_Cancel");
    });
    button("Btn_Document_Img_Edit")->click();

    m_messages.clear();
    button("Btn_Document_Img_Delete")->click();
    EXPECT_EQ(m_messages.texts(),
              QStringList{QStringLiteral("Confirmez-vous la suppression de ce document ?")});
    EXPECT_EQ(imageRows(), 0);
    EXPECT_EQ(m_page->images()->count(), 0);
    EXPECT_FALSE(button("Btn_Document_Img_Edit")->isEnabled());
    EXPECT_TRUE(button("Btn_Document_Img_Add")->isEnabled());
}

TEST_F(DocumentPageTest, NothingIsEnabledWithoutAPerson)
{
    m_page->refreshCommandStates(false);
    for (QPushButton* b : m_page->findChildren<QPushButton*>())
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
}

} // namespace

namespace {

TEST_F(DocumentPageTest, ViewingAndSendingOpenTheirWindowsOnceTheSettingsAllowIt)
{
    addPicture(QStringLiteral("Radio"),
               file(QStringLiteral("radio.bmp"), BmpFormat::encode(PictureSamples::photo(60, 40))));
    attach(file(QStringLiteral("ordonnance.txt"), "Paracétamol 500 mg"));
    selectImage(0);
    EXPECT_TRUE(button("Btn_Document_Img_Exe")->isEnabled());
    EXPECT_FALSE(button("Btn_Document_Img_Email")->isEnabled());
    EXPECT_FALSE(button("Btn_Document_File_Email")->isEnabled());

    EXPECT_EQ(
        NextModal::openedBy([this] { emit m_page->images()->itemDoubleClicked(m_page->images()->item(0)); }),
        QStringLiteral("TPreviewImage"));

    Settings& settings = program().settings;
    settings.smtpName = QStringLiteral("Élise Durand");
    settings.smtpEmail = QStringLiteral("elise@example.org");
    settings.smtpHost = QStringLiteral("127.0.0.1");
    m_page->refreshCommandStates(true);
    EXPECT_TRUE(button("Btn_Document_Img_Email")->isEnabled());
    EXPECT_TRUE(button("Btn_Document_File_Email")->isEnabled());
    EXPECT_EQ(NextModal::openedBy([this] { button("Btn_Document_Img_Email")->click(); }),
              QStringLiteral("TSendEmail"));
    EXPECT_EQ(NextModal::openedBy([this] { button("Btn_Document_File_Email")->click(); }),
              QStringLiteral("TSendEmail"));
    EXPECT_TRUE(m_messages.texts().isEmpty()) << m_messages.texts().join(QLatin1Char('|')).toStdString();
    settings = Settings();
}

} // namespace
