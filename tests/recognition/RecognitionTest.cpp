// Reading the text of documents: Tesseract on pages the test renders (and
// on a turned, speckled copy stored as the program stores pictures), the
// attached files by their type, and the background pass over a household:
// once per document, again when a picture changes, nothing stored when the
// language data is missing, nothing lost when the process is killed.
#include "BackgroundRecognition.h"
#include "BitmapQt.h"
#include "Cabinet.h"
#include "Connection.h"
#include "HouseholdFixture.h"
#include "JpegIO.h"
#include "PageSamples.h"
#include "ProgramState.h"
#include "SearchQuery.h"

#include <csignal>
#include <gtest/gtest.h>
#include <QBuffer>
#include <QCoreApplication>
#include <QPdfWriter>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

namespace {

using DocumentTexts::State;

const QStringList kKeyWords{QStringLiteral("Lefèvre"),  QStringLiteral("Amoxicilline"),
                            QStringLiteral("gélules"),  QStringLiteral("eczéma"),
                            QStringLiteral("échéance"), QStringLiteral("hôpital"),
                            QStringLiteral("fièvre"),   QStringLiteral("prévoir")};

QStringList missingWords(const QString& text)
{
    QStringList missing;
    for (const QString& word : kKeyWords)
        if (!text.contains(word))
            missing << word;
    return missing;
}

QImage smallPage(const QString& line)
{
    return PageSamples::a4Page({line}, 1).copy(0, 0, 2480, 420);
}

QVariant scalar(const QString& sql)
{
    QSqlQuery q(Connection::database());
    if (!q.exec(sql) || !q.next())
        return {};
    return q.value(0);
}

// A picture document of the person, stored as the program stores them.
int addPicture(int person, const QImage& page, const QString& title = QStringLiteral("Ordonnance"))
{
    QSqlQuery q(Connection::database());
    q.prepare(
        QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, ImgMini, DoType) VALUES (?, ?, x'01', 1)"));
    q.addBindValue(person);
    q.addBindValue(title);
    EXPECT_TRUE(q.exec());
    const int id = q.lastInsertId().toInt();
    SaveJpegFile(fromQImage(page), program().db.databaseFolder + QStringLiteral("Images/Doc%1.jpg").arg(id),
                 85);
    return id;
}

QByteArray pdfWith(const QString& text)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        QPainter painter(&writer);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(12);
        painter.setFont(font);
        painter.drawText(QPointF(400, 800), text);
    }
    return bytes;
}

// Runs the pass until it has nothing left to read.
void readAll(BackgroundRecognition& recognition, int timeoutMs = 90000)
{
    recognition.start(50);
    QTest::qWait(100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recognition.isBusy(); }, timeoutMs));
}

class Recognizer : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_recognizer = new TextRecognizer; }
    static void TearDownTestSuite() { delete std::exchange(s_recognizer, nullptr); }
    static TextRecognizer* s_recognizer;
    std::atomic_bool m_cancel{false};
    TestFolders::Scratch m_scratch;
};
TextRecognizer* Recognizer::s_recognizer = nullptr;

} // namespace

TEST_F(Recognizer, ReadsAFrenchPageWithItsAccentsAndItsTurnedSpeckledCopy)
{
    ASSERT_TRUE(s_recognizer->isReady()) << s_recognizer->problem().toStdString();
    const QImage page = PageSamples::a4Page();
    const Bitmap grey = DocumentReader::greyOf(page);
    const int cut = TextRecognizer::cutRow(grey);
    EXPECT_GT(cut, grey.height() / 4);
    EXPECT_LT(cut, grey.height() * 3 / 4);
    for (int x = 0; x < grey.width(); ++x)
        ASSERT_GT(grey.scanLine(cut)[x], 128) << "the cut crosses no letter";

    const QString text = s_recognizer->recognize(grey, m_cancel);
    EXPECT_TRUE(missingWords(text).isEmpty()) << missingWords(text).join(u' ').toStdString() << "\n"
                                              << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("Amoxicilline")), 4) << "both halves read, each line once";

    // Stored as a picture document is: turned a little, speckled, JPEG.
    const QString stored = m_scratch.path() + QStringLiteral("Doc1.jpg");
    SaveJpegFile(fromQImage(PageSamples::skewedAndNoisy(page)), stored, 75);
    const DocumentReader::Reading skewed = DocumentReader::readPicture(stored, *s_recognizer, m_cancel);
    EXPECT_EQ(skewed.state, State::Read);
    EXPECT_TRUE(missingWords(skewed.content).isEmpty())
        << missingWords(skewed.content).join(u' ').toStdString() << "\n"
        << skewed.content.toStdString();
}

TEST_F(Recognizer, AttachedFilesAreReadByTheirTypeAndDamagedOnesAreNotedNeverFatal)
{
    const auto read = [this](const QByteArray& bytes, const QString& name) {
        return DocumentReader::readFileBytes(bytes, name, *s_recognizer, m_cancel);
    };
    const DocumentReader::Reading pdf =
        read(pdfWith(QStringLiteral("Compte rendu : échographie normale")), QStringLiteral("echo.pdf"));
    EXPECT_EQ(pdf.state, State::Read);
    EXPECT_TRUE(pdf.content.contains(QStringLiteral("échographie normale"))) << pdf.content.toStdString();
    const DocumentReader::Reading latin1 =
        read(QByteArray("R\xE9sultats du pr\xE9l\xE8vement"), QStringLiteral("notes.txt"));
    EXPECT_EQ(latin1.content, QStringLiteral("Résultats du prélèvement")) << "an older file in Windows-1252";
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    smallPage(QStringLiteral("Kinésithérapie respiratoire")).save(&png, "PNG");
    EXPECT_TRUE(
        read(png.data(), QStringLiteral("scan.png")).content.contains(QStringLiteral("Kinésithérapie")));
    const DocumentReader::Reading binary =
        read(QByteArray("\x00\x01\x02\x03\xFF\xFE", 6), QStringLiteral("x.xyz"));
    EXPECT_EQ(binary.state, State::NoText);

    QByteArray broken = pdfWith(QStringLiteral("x"));
    broken.truncate(40);
    EXPECT_EQ(read(broken, QStringLiteral("cut.pdf")).state, State::Unreadable);
    const QString damaged = m_scratch.path() + QStringLiteral("Doc2.jpg");
    SaveJpegFile(fromQImage(smallPage(QStringLiteral("abc"))), damaged, 80);
    QByteArray jpeg = TestFolders::readFile(damaged);
    TestFolders::writeFile(damaged, jpeg.left(jpeg.size() / 3));
    const DocumentReader::Reading picture = DocumentReader::readPicture(damaged, *s_recognizer, m_cancel);
    EXPECT_EQ(picture.state, State::Unreadable);
    EXPECT_FALSE(picture.note.isEmpty());

    // The archive the program stores: its first entry, whatever its name.
    const QString source = m_scratch.path() + QStringLiteral("lettre.pdf");
    TestFolders::writeFile(source, pdfWith(QStringLiteral("Lettre de sortie de l'hôpital")));
    const QString archive = m_scratch.path() + QStringLiteral("File1.f");
    Cabinet::create(archive, {{source, QStringLiteral("autre-nom.bin")}});
    EXPECT_TRUE(
        DocumentReader::readAttachedFile(archive, QStringLiteral("lettre.pdf"), *s_recognizer, m_cancel)
            .content.contains(QStringLiteral("sortie de l'hôpital")));
    TestFolders::writeFile(archive, "MSCF broken");
    EXPECT_EQ(DocumentReader::readAttachedFile(archive, QStringLiteral("lettre.pdf"), *s_recognizer, m_cancel)
                  .state,
              State::Unreadable);
}

TEST(BackgroundRecognition, ReadsEachStoredDocumentOnceAndAPictureAgainWhenItChanges)
{
    HouseholdFixture home;
    const int person = home.addPerson(QStringLiteral("Lefèvre"), QStringLiteral("Zoé"));
    const int prescription =
        addPicture(person, smallPage(QStringLiteral("Amoxicilline trois gélules par jour")));
    const int damaged = addPicture(person, smallPage(QStringLiteral("abc")), QStringLiteral("Abîmée"));
    const QString damagedFile = home.dm().documentImageFile(damaged);
    TestFolders::writeFile(damagedFile, TestFolders::readFile(damagedFile).left(200));
    QSqlQuery q(Connection::database());
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO DOCUMENTFILE (Id_Ref, FileName, DoType) VALUES (%1, "
                                      "'bilan.pdf', 1)")
                           .arg(person)));
    const int file = q.lastInsertId().toInt();
    const QString pdf = home.dataFolder() + QStringLiteral("bilan.pdf");
    TestFolders::writeFile(pdf, pdfWith(QStringLiteral("Bilan sanguin : ferritine basse")));
    Cabinet::create(home.dm().documentFile(file), {{pdf, QStringLiteral("bilan.pdf")}});

    BackgroundRecognition recognition(home.dm().databaseFolder());
    QSignalSpy progress(&recognition, &BackgroundRecognition::progressChanged);
    readAll(recognition);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTTEXT")).toInt(), 3);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last().at(1).toInt(), 3) << "the pass counted every document";

    const QList<Search::Hit> hits = Search::find(QStringLiteral("amoxicilline gelules"));
    ASSERT_EQ(hits.size(), 1);
    EXPECT_EQ(hits[0].kind, Search::Kind::Picture);
    EXPECT_EQ(hits[0].rowId, prescription);
    EXPECT_EQ(Search::find(QStringLiteral("ferritine")).value(0).rowId, file);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Note FROM DOCUMENT_WITHOUT_TEXT WHERE Id = %1").arg(damaged))
                  .toString(),
              QStringLiteral("Image illisible ou endommagée."))
        << "the damaged picture is listed with its note";

    // Another picture in its place (a rotation, a new scan): read again.
    SaveJpegFile(fromQImage(smallPage(QStringLiteral("Ibuprofène en cas de douleur"))),
                 home.dm().documentImageFile(prescription), 85);
    ASSERT_TRUE(
        q.exec(QStringLiteral("UPDATE DOCUMENTIMG SET ImgMini = x'02' WHERE Id = %1").arg(prescription)));
    readAll(recognition);
    EXPECT_TRUE(Search::find(QStringLiteral("amoxicilline")).isEmpty());
    EXPECT_EQ(Search::find(QStringLiteral("ibuprofene")).value(0).rowId, prescription);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTTEXT")).toInt(), 3);
}

TEST(BackgroundRecognition, AMissingLanguageIsSaidOnceAndNothingIsStored)
{
    HouseholdFixture home;
    addPicture(home.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul")),
               smallPage(QStringLiteral("Texte")));
    TestFolders::Scratch empty;
    const QByteArray before = qgetenv("TESSDATA_PREFIX");
    qputenv("TESSDATA_PREFIX", empty.path().toUtf8());
    {
        BackgroundRecognition recognition(home.dm().databaseFolder());
        QSignalSpy said(&recognition, &BackgroundRecognition::unavailable);
        recognition.start(30);
        EXPECT_TRUE(said.wait(20000));
        QTest::qWait(300);
        recognition.lookNow();
        QTest::qWait(100);
        ASSERT_EQ(said.size(), 1);
        EXPECT_TRUE(said.first().first().toString().contains(QStringLiteral("« tesseract-ocr-fra »")));
    }
    before.isNull() ? qunsetenv("TESSDATA_PREFIX") : qputenv("TESSDATA_PREFIX", before);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTTEXT")).toInt(), 0) << "still waiting";
}

// The child of the next test: runs the pass on the household it is given.
TEST(BackgroundRecognitionChild, ReadsTheHouseholdOfItsParent)
{
    const QString folder = qEnvironmentVariable("BRIVOLINE_RECOGNITION_CHILD");
    if (folder.isEmpty())
        GTEST_SKIP() << "run by KilledDuringThePass";
    DbConfig db;
    db.databaseFolder = folder;
    Connection::open(db);
    BackgroundRecognition recognition(folder);
    readAll(recognition, 600000);
}

TEST(BackgroundRecognition, KilledDuringThePassItLosesNothingAndTheNextRunFinishes)
{
    constexpr int kDocuments = 8;
    HouseholdFixture home;
    const int person = home.addPerson(QStringLiteral("Durand"), QStringLiteral("Léa"));
    for (int i = 0; i < kDocuments; ++i)
        addPicture(person,
                   PageSamples::a4Page({QStringLiteral("Compte rendu numéro %1 de radiologie").arg(i)}, 6));
    Connection::close();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("BRIVOLINE_RECOGNITION_CHILD"), home.dm().databaseFolder());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=BackgroundRecognitionChild.*")});
    ASSERT_TRUE(child.waitForStarted());
    const QString file = program().db.databaseFile();
    const auto stored = [&file] {
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"), {file, QStringLiteral("SELECT count(*) FROM DOCUMENTTEXT")});
        shell.waitForFinished(10000);
        return shell.readAllStandardOutput().trimmed().toInt();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored() >= 2; }, 240000));
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    const int before = stored();
    EXPECT_LT(before, kDocuments) << "killed in the middle of the pass";

    Connection::open(program().db);
    EXPECT_EQ(scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    BackgroundRecognition recognition(home.dm().databaseFolder());
    readAll(recognition, 300000);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTTEXT")).toInt(), kDocuments);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(DISTINCT Id_Document) FROM DOCUMENTTEXT")).toInt(),
              kDocuments);
    EXPECT_EQ(Search::find(QStringLiteral("radiologie")).size(), kDocuments);
    EXPECT_EQ(Search::find(QStringLiteral("numero 5")).size(), 1);
}
