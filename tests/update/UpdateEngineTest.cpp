// The update engine on real databases: scripts written by the tests, run on
// a copy of the template through the program's connection.
#include "UpdateEngine.h"

#include "BmpFormat.h"
#include "Clock.h"
#include "Compaction.h"
#include "JpegIO.h"
#include "OlderLayout.h"
#include "ScriptSql.h"
#include "TemplateDatabaseTest.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>

namespace {

using TestFolders::exists;
using TestFolders::readFile;
using TestFolders::writeFile;

class RecordingGauge : public UpdateGauge
{
public:
    void start(int lines) override { total = lines; }
    void setText(const QString& text) override { texts << text; }
    void advance(int lines) override { advanced += lines; }
    void finish() override { ++finished; }
    int total = 0;
    int advanced = 0;
    int finished = 0;
    QStringList texts;
};

class UpdateEngineTest : public TemplateDatabaseTest
{
protected:
    void SetUp() override
    {
        TemplateDatabaseTest::SetUp();
        m_data = m_scratch.make(QStringLiteral("data"));
        m_program = m_scratch.make(QStringLiteral("program"));
    }
    void TearDown() override
    {
        Clock::setFixed({});
        TemplateDatabaseTest::TearDown();
    }

    UpdateTarget target() const
    {
        const DbConfig config = m_config;
        return {QString(),
                m_program,
                m_data,
                m_config.databaseFolder,
                m_config.databaseFile(),
                [] { Connection::close(); },
                [config] { Connection::open(config); }};
    }

    // Writes the script into the data folder and runs it there.
    void run(const QString& script, bool withBackup = false, const QString& name = QStringLiteral("test.maj"),
             UpdateGauge* gauge = nullptr)
    {
        writeFile(m_data + name, script.toUtf8());
        UpdateEngine engine(target());
        engine.run({m_data, name, withBackup, [this](const QString& t) { m_status << t; }, gauge, ask()});
    }
    // Records each question and answers it: yes, or the answer queued first.
    std::function<bool(const QString&)> ask()
    {
        return [this](const QString& question) {
            m_questions << question;
            return m_answers.isEmpty() || m_answers.takeFirst();
        };
    }

    QStringList log() const
    {
        QStringList lines =
            QString::fromUtf8(readFile(m_data + QStringLiteral("Maj.Log"))).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    // The log's messages, without their time stamps.
    QStringList messages() const
    {
        QStringList out;
        static const QRegularExpression stamp(
            QStringLiteral("^\\d\\d/\\d\\d/\\d{4}-\\d\\d:\\d\\d:\\d\\d : "));
        for (const QString& line : log())
            out << QString(line).remove(stamp);
        return out;
    }
    bool logged(const QString& message) const { return messages().contains(message); }
    bool loggedStart(const QString& start) const
    {
        const QStringList all = messages();
        return std::any_of(all.begin(), all.end(), [&](const QString& l) { return l.startsWith(start); });
    }

    QByteArray blob(const QString& sql) { return scalar(sql).toByteArray(); }
    static bool tableExists(const QString& table)
    {
        return scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='%1'").arg(table))
                   .toInt() == 1;
    }

    QString m_data;
    QString m_program;
    QStringList m_status;
    QStringList m_questions;
    QList<bool> m_answers;
};

TEST_F(UpdateEngineTest, GuardedBlocksRunOnceAndTheLogSaysWhy)
{
    const QString script = QStringLiteral("// Première étape\r\n"
                                          "NotTableExists(NOTES)\r\n"
                                          "SqlExe{CREATE TABLE NOTES (Id COUNTER, Body TEXT(50))}\r\n"
                                          "SqlExe{INSERT INTO NOTES (Body) VALUES ('une')}\r\n"
                                          "End\r\n"
                                          "NotFieldExists(notes.Extra)\r\n"
                                          "SqlExe{ALTER TABLE NOTES ADD COLUMN Extra LONG}\r\n"
                                          "ENDIF\r\n"
                                          "TableEmpty(NOTES)\r\n"
                                          "SqlExe{INSERT INTO NOTES (Body) VALUES ('jamais')}\r\n"
                                          "  end of block\r\n"
                                          "\r\n");
    RecordingGauge gauge;
    run(script, false, QStringLiteral("test.maj"), &gauge);
    EXPECT_EQ(count(QStringLiteral("NOTES")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Body FROM NOTES")).toString(), QStringLiteral("une"));
    EXPECT_TRUE(exists(m_data + QStringLiteral("test.maj"))) << "kept without the backup flag";
    EXPECT_EQ(gauge.total, 12);
    EXPECT_EQ(gauge.advanced, 12);
    EXPECT_EQ(gauge.finished, 1);
    EXPECT_EQ(gauge.texts, QStringList{QStringLiteral("MISE A JOUR (Base de données)")});
    EXPECT_EQ(m_status.first(), QStringLiteral("Mise à jour (préparation) ..."));
    EXPECT_TRUE(m_status.contains(QStringLiteral("Test de la mise à jour ...")));
    EXPECT_TRUE(m_status.contains(QStringLiteral("Mise à jour de la base de données ...")));

    const QStringList first = messages();
    EXPECT_EQ(first.mid(1),
              (QStringList{QStringLiteral(" Première étape"),
                           QStringLiteral("SQL:CREATE TABLE NOTES (Id COUNTER, Body TEXT(50)) (Ok)"),
                           QStringLiteral("SQL:INSERT INTO NOTES (Body) VALUES ('une') (Ok)"),
                           QStringLiteral("SQL:ALTER TABLE NOTES ADD COLUMN Extra LONG (Ok)"),
                           QStringLiteral("*** Mise à jour déjà effectuée ***"),
                           QStringLiteral("********************* MISE A JOUR TERMINE *********************"),
                           QString()}));
    for (const QString& line : log().mid(0, 3))
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4}-\\d\\d:\\d\\d:\\d\\d : "))
                        .match(line)
                        .hasMatch())
            << line.toStdString();

    // The second run finds every change made and changes nothing.
    run(script);
    EXPECT_EQ(count(QStringLiteral("NOTES")), 1);
    EXPECT_EQ(messages().mid(first.size()).count(QStringLiteral("*** Mise à jour déjà effectuée ***")), 3);
}

TEST_F(UpdateEngineTest, FailedActionsAreLoggedAndUndoneAloneWhileTheScriptGoesOn)
{
    const QString tooLong = QStringLiteral("SELECT '") + QString(300, QLatin1Char('x')) + QStringLiteral("'");
    run(QStringLiteral("NotTableExists(NOTES)\n"
                       "SqlExe{CREATE TABLE NOTES (Id COUNTER, Body TEXT(50))}\n"
                       "SqlExe{INSERT INTO NOPE VALUES (1)}\n"
                       "SqlExe{INSERT INTO NOTES (Body) VALUES ('a}b')}\n"
                       "SqlExe{") +
        tooLong +
        QStringLiteral("}\n"
                       "ExtractImageToJpeg('NOPE','Img','Doc')\n"
                       "ResizeBitmapInDataBase('DOCUMENTIMG','ImgMini','large','90')\n"
                       "SqlExe{INSERT INTO NOTES (Body) VALUES ('après')}\n"
                       "SqlExe\n"
                       "END\n"
                       "SqlExe{INSERT INTO NOTES (Body) VALUES ('hors bloc')}\n"));
    EXPECT_EQ(count(QStringLiteral("NOTES")), 2);
    EXPECT_TRUE(logged(QStringLiteral(
        "SQL:INSERT INTO NOPE VALUES (1) (error : la table « NOPE » est absente de la base de données)")));
    // Cut at "}": the text left is not a statement.
    EXPECT_TRUE(loggedStart(QStringLiteral("SQL:INSERT INTO NOTES (Body) VALUES ('a (error : ")));
    // Cut at 255 characters.
    EXPECT_TRUE(loggedStart(QStringLiteral("SQL:") + tooLong.left(255) + QStringLiteral(" (error : ")));
    EXPECT_TRUE(logged(QStringLiteral("OPTIMISATION:Extraction des images au format jpeg de la table NOPE "
                                      "(error : La table « NOPE » n'existe pas dans la base.)")));
    EXPECT_TRUE(logged(QStringLiteral("OPTIMISATION:Redimensionne les images Bitmap de la table DOCUMENTIMG "
                                      "(error : « large » n'est pas une taille en pixels.)")));
    EXPECT_TRUE(logged(QStringLiteral("SQL:INSERT INTO NOTES (Body) VALUES ('après') (Ok)")));
    EXPECT_TRUE(
        logged(QStringLiteral("SQL: (error : la ligne ne contient aucune instruction entre { et }.)")));
    EXPECT_TRUE(logged(QStringLiteral("SQL:INSERT INTO NOTES (Body) VALUES ('hors bloc') (Ok)")));
}

// A line's statements run whole or not at all; while scripts run, no
// statement attaches, detaches or loads anything, also after a compaction
// reopened the connection; the connection is free again afterwards.
TEST_F(UpdateEngineTest, StatementsOfALineRunWholeAndNeverReachOutsideTheRecords)
{
    const QString outside = m_scratch.path() + QStringLiteral("dehors.db");
    const QString attach = QStringLiteral("ATTACH DATABASE '%1' AS e").arg(outside);
    const QString refusedAttach = QStringLiteral(
        " (error : un script de mise à jour ne peut pas ouvrir une autre base de données (ATTACH))");
    run(QStringLiteral("NotTableExists(NOTES)\n"
                       "SqlExe{CREATE TABLE NOTES (Id COUNTER, Body TEXT(50)); INSERT INTO NOTES (Body) "
                       "VALUES ('a;b');}\n"
                       "SqlExe{INSERT INTO NOTES (Body) VALUES ('c'); INSERT INTO NOPE VALUES (1)}\n"
                       "SqlExe{INSERT INTO NOTES (Body) VALUES ('d'); ") +
        attach +
        QStringLiteral("}\n"
                       "SqlExe{SELECT load_extension('/tmp/nope.so')}\n"
                       "SqlExe{DETACH DATABASE e}\n"
                       "CompactDataBase(BRIVOLINE.MDB)\n"
                       "SqlExe{") +
        attach +
        QStringLiteral("}\n"
                       "END\n"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT group_concat(Body, '|') FROM NOTES")).toString(),
              QStringLiteral("a;b"));
    EXPECT_EQ(
        messages().mid(1, 7).join(QLatin1Char('\n')).toStdString(),
        (QStringList{
             QStringLiteral("SQL:CREATE TABLE NOTES (Id COUNTER, Body TEXT(50)); INSERT INTO NOTES (Body) "
                            "VALUES ('a;b'); (Ok)"),
             QStringLiteral("SQL:INSERT INTO NOTES (Body) VALUES ('c'); INSERT INTO NOPE VALUES (1) "
                            "(error : la table « NOPE » est absente de la base de données)"),
             QStringLiteral("SQL:INSERT INTO NOTES (Body) VALUES ('d'); ") + attach + refusedAttach,
             QStringLiteral("SQL:SELECT load_extension('/tmp/nope.so') (error : un script de mise à jour ne "
                            "peut pas charger d'extension (load_extension))"),
             QStringLiteral("SQL:DETACH DATABASE e (error : un script de mise à jour ne peut pas détacher "
                            "une base de données (DETACH))"),
             QStringLiteral("Compactage de la base de données (Ok)"),
             QStringLiteral("SQL:") + attach + refusedAttach})
            .join(QLatin1Char('\n'))
            .toStdString());
    EXPECT_FALSE(exists(outside));
    QSqlQuery free(Connection::database());
    EXPECT_TRUE(free.exec(QStringLiteral("ATTACH DATABASE ':memory:' AS libre")) &&
                free.exec(QStringLiteral("DETACH libre")));

    // Cut where SQLite ends a statement, not at every semicolon.
    EXPECT_EQ(
        ScriptSql::statements(QStringLiteral("CREATE TRIGGER t AFTER INSERT ON NOTES BEGIN UPDATE NOTES SET "
                                             "Body=';'; END; SELECT [a;b] -- c;\n; ;")),
        (QStringList{
            QStringLiteral("CREATE TRIGGER t AFTER INSERT ON NOTES BEGIN UPDATE NOTES SET Body=';'; END"),
            QStringLiteral("SELECT [a;b] -- c;")}));
}

TEST_F(UpdateEngineTest, GuardsThatCannotBeTestedEndTheRunWithAClearError)
{
    const auto failure = [this](const QString& script) {
        try {
            run(script);
        } catch (const UpdateError& e) {
            return e.text();
        }
        return QString();
    };
    EXPECT_EQ(
        failure(QStringLiteral(
            "SqlExe{CREATE TABLE DONE (Id COUNTER)}\nFieldExists(NOPE.Col)\nSqlExe{DROP TABLE DONE}\nEND\n")),
        QStringLiteral(
            "Ligne 2 du script « test.maj » : la table « NOPE » qu'elle teste n'existe pas dans la base "
            "de données."));
    EXPECT_TRUE(tableExists(QStringLiteral("DONE")))
        << "the lines before it stay done, the lines after it never run";
    EXPECT_TRUE(
        messages().contains(QStringLiteral("ERREUR : Ligne 2 du script « test.maj » : la table « NOPE » "
                                           "qu'elle teste n'existe pas dans la base de données.")));
    EXPECT_TRUE(exists(m_data + QStringLiteral("test.maj")));

    EXPECT_TRUE(failure(QStringLiteral("NotFieldType(PERSON.Nope,ftInteger)\nEND\n"))
                    .contains(QStringLiteral("la colonne « Nope »")));
    EXPECT_TRUE(
        failure(QStringLiteral("TableEmpty(NOPE)\nEND\n")).contains(QStringLiteral("la table « NOPE »")));
    EXPECT_EQ(failure(QStringLiteral("// début\nTableExists(NOPE)\nSqlExe{DROP TABLE PERSON}\n")),
              QStringLiteral(
                  "Ligne 2 du script « test.maj » : le bloc qu'elle commence ne se termine par aucune ligne "
                  "END."));
    EXPECT_TRUE(tableExists(QStringLiteral("PERSON")));

    writeFile(m_data + QStringLiteral("binary.maj"), QByteArray("SqlExe{DROP TABLE PERSON}\0\x01\x02", 29));
    UpdateEngine engine(target());
    try {
        engine.run({m_data, QStringLiteral("binary.maj"), true, {}, nullptr, ask()});
        ADD_FAILURE() << "a binary file is no script";
    } catch (const UpdateError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("n'est pas un fichier texte")))
            << e.text().toStdString();
    }
    EXPECT_TRUE(m_questions.isEmpty()) << "no backup offered for a file that is no script";
    EXPECT_TRUE(exists(m_data + QStringLiteral("binary.maj")));
    EXPECT_TRUE(tableExists(QStringLiteral("PERSON")));
}

TEST_F(UpdateEngineTest, CommandWordsAreFoundAnywhereInTheLine)
{
    // The statement's text holds a guard's word: the line is that guard, on
    // a table named by what stands in its brackets, and its block is skipped.
    run(QStringLiteral("SqlExe{INSERT INTO EVENT (Description) VALUES ('TableExists')}\n"
                       "SqlExe{INSERT INTO EVENT (Description) VALUES ('skipped')}\n"
                       "END\n"
                       "SqlExe{INSERT INTO EVENT (Description) VALUES ('après')}\n"));
    EXPECT_EQ(count(QStringLiteral("EVENT")), 1);
    EXPECT_TRUE(logged(QStringLiteral("*** Mise à jour déjà effectuée ***")));

    // Windows-1252 text and a line of 100 000 characters.
    QByteArray cp1252 = "// \xE9tape en Windows-1252\r\nSqlExe{INSERT INTO EVENT (Description) VALUES ('M\xE9"
                        "decin')}\r\n";
    cp1252 += "// " + QByteArray(100000, 'z') + "\r\nSqlExe{" + QByteArray(100000, 'y') + "}\r\n";
    writeFile(m_data + QStringLiteral("cp.maj"), cp1252);
    UpdateEngine(target()).run({m_data, QStringLiteral("cp.maj"), false, {}, nullptr, {}});
    EXPECT_EQ(count(QStringLiteral("EVENT"), QStringLiteral("WHERE Description='Médecin'")), 1);
    EXPECT_TRUE(logged(QStringLiteral(" étape en Windows-1252")));
    EXPECT_TRUE(logged(QStringLiteral("SQL:") + QString(255, QLatin1Char('y')) +
                       QStringLiteral(" (error : erreur de syntaxe près de « ") +
                       QString(255, QLatin1Char('y')) + QStringLiteral(" »)")));
}

TEST_F(UpdateEngineTest, FieldTypesAnswerByTheirNames)
{
    // Text, Memo, Short, AutoIncrement, Currency, Date/Time, Bytes, Yes/No.
    const QStringList holds{
        "NotFieldType(PERSON.Name,ftString)",     "NotFieldType(PERSON.Name,ftMemo)",
        "NotFieldType(PERSON.Name,ftNoSuchType)", "NotFieldType([ACTION].Price,ftFloat)",
        "NotFieldType(PERSON.Id,ftInteger)",      "NotFieldType(EVENT.Date_Event,ftDate)"};
    const QStringList skips{
        "NotFieldType(PERSON.Name,ftWideString)",      "NotFieldType(PERSON.Previous,ftMemo)",
        "NotFieldType(PERSON.Previous,ftWideMemo)",    "NotFieldType(PERSON.WeightMode,ftSmallint)",
        "NotFieldType(PERSON.Id,ftAutoInc)",           "NotFieldType(ACTION.Price,ftBCD)",
        "NotFieldType(ACTION.Date_Action,ftDateTime)", "NotFieldType(PERSON.Img1,ftBlob)",
        "NotFieldType(ACTION.Repayment,ftBoolean)",    "NotFieldType(ACTION.Tag,ftInteger)",
        "NotFieldType(PERSON.BirthDay_Weight,ftFloat)"};
    // Each block records its guard's number (a guard's own text would be a command).
    QString script;
    const QStringList guards = holds + skips;
    for (int i = 0; i < guards.size(); ++i)
        script += guards[i] +
                  QStringLiteral("\nSqlExe{INSERT INTO EVENT (Description) VALUES ('%1')}\nEND\n").arg(i);
    run(script);
    QStringList ran;
    QSqlQuery q(Connection::database());
    q.exec(QStringLiteral("SELECT Description FROM EVENT ORDER BY Id"));
    while (q.next())
        ran << guards.at(q.value(0).toInt());
    EXPECT_EQ(ran, holds);
}

TEST_F(UpdateEngineTest, PicturesMoveOutOfTheRowsOrAreReworkedInPlace)
{
    const QByteArray bmp = BmpFormat::encode(OlderLayout::picture(200, 100, 3));
    const QByteArray jpeg = encodeJpeg(OlderLayout::picture(40, 30, 4), 90);
    const QByteArray grey = BmpFormat::encode(toBgr24(Bitmap(50, 50, PixelFormat::Gray8)));
    for (int i = 0; i < 3; ++i)
        exec(QStringLiteral(
                 "INSERT INTO DOCUMENTIMG (Id_Ref, Title, Img, ImgMini, DoType) VALUES (1, 'd', ?, ?, 1)"),
             {bmp, bmp});
    exec(QStringLiteral(
             "INSERT INTO DOCUMENTIMG (Id_Ref, Title, Img, ImgMini, DoType) VALUES (1, 'damaged', ?, ?, 1)"),
         {QByteArray("BM garbage"), grey});
    exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, DoType) VALUES (1, 'empty', 1)"));
    exec(QStringLiteral("INSERT INTO PERSON (Name, Img2, ImgMini2) VALUES ('P', ?, ?)"), {jpeg, bmp});
    // A file left by an earlier run that was cut short is taken as it is.
    const QString images = m_config.databaseFolder + QStringLiteral("Images/");
    writeFile(images + QStringLiteral("Doc2.jpg"), jpeg);

    run(QStringLiteral(
        "ExtractImageToJpeg('DOCUMENTIMG','Img','Doc')\n"
        "ExtractImageToJpegCopy('DOCUMENTIMG','ImgMini','Copy')\n"
        "ExtractJpegImage('PERSON','Img2','People')\n"
        "ResizeBitmapInDataBase('PERSON','ImgMini2','64','64')\n"
        "ResizeBitmapInDataBase('DOCUMENTIMG','ImgMini','90','90') ResizeBitmapDataBaseInWhiteRect\n"
        "ConvertBitmapToJpegInDataBase('DOCUMENTIMG','ImgMini')\n"
        "ExtractImageToJpeg('WORKGROUP','Name','Nothing')\n"));

    Bitmap read;
    ASSERT_TRUE(LoadJpegFile(read, images + QStringLiteral("Doc1.jpg"), true));
    EXPECT_EQ(read.width(), 200);
    EXPECT_EQ(read.height(), 100);
    EXPECT_NEAR(read.scanLine(50)[3 * 199], 255, 3) << "the picture itself, at quality 100";
    EXPECT_EQ(readFile(images + QStringLiteral("Doc2.jpg")), jpeg) << "not overwritten";
    EXPECT_TRUE(blob(QStringLiteral("SELECT Img FROM DOCUMENTIMG WHERE Id=1")).isEmpty());
    EXPECT_TRUE(scalar(QStringLiteral("SELECT Img IS NULL FROM DOCUMENTIMG WHERE Id=2")).toBool());
    EXPECT_EQ(blob(QStringLiteral("SELECT Img FROM DOCUMENTIMG WHERE Id=4")), QByteArray("BM garbage"))
        << "a picture that does not read stays in its row";
    EXPECT_FALSE(exists(images + QStringLiteral("Doc4.jpg")));
    EXPECT_FALSE(exists(images + QStringLiteral("Doc5.jpg")));
    EXPECT_TRUE(logged(
        QStringLiteral("1 image(s) sur 4 n'ont pas pu être traitées et sont restées telles quelles dans "
                       "la base")));
    EXPECT_TRUE(loggedStart(
        QStringLiteral("OPTIMISATION:Extraction des images au format jpeg de la table DOCUMENTIMG "
                       "(error : 1 image(s)")));
    EXPECT_TRUE(logged(QStringLiteral("Conversion de l'image : ") + images + QStringLiteral("Doc1.jpg")));

    // The copy leaves the thumbnails in their rows.
    EXPECT_TRUE(exists(images + QStringLiteral("Copy1.jpg")));
    // Already a JPEG: written as it is.
    const int person = scalar(QStringLiteral("SELECT Id FROM PERSON WHERE Name='P'")).toInt();
    EXPECT_EQ(readFile(images + QStringLiteral("People%1.jpg").arg(person)), jpeg);
    EXPECT_TRUE(logged(QStringLiteral("Extraction de l'image : ") + images +
                       QStringLiteral("People%1.jpg").arg(person)));
    // Fitted without a frame: 200 x 100 into 64 x 64 gives 64 x 32.
    const Bitmap small =
        BmpFormat::decode(blob(QStringLiteral("SELECT ImgMini2 FROM PERSON WHERE Name='P'")));
    EXPECT_EQ(small.width(), 64);
    EXPECT_EQ(small.height(), 32);
    EXPECT_TRUE(logged(QStringLiteral("Redimensionnement de l'image : %1.jpg").arg(person)));
    // In a white frame, then turned into a JPEG in the row.
    const QByteArray thumbnail = blob(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=1"));
    ASSERT_TRUE(thumbnail.startsWith("\xFF\xD8\xFF"));
    ASSERT_TRUE(decodeJpeg(read, thumbnail, true));
    EXPECT_EQ(read.width(), 90);
    EXPECT_EQ(read.height(), 90);
    EXPECT_GE(read.scanLine(2)[45], 250) << "white above the picture (90 x 45, 22 rows from the top)";
    EXPECT_LE(read.scanLine(45)[3 * 88 + 1], 200) << "the picture's green, about 130";
    EXPECT_TRUE(logged(QStringLiteral("Conversion de l'image : 1.jpg")));
    EXPECT_TRUE(logged(QStringLiteral("Pas d'images dans la base")));
    EXPECT_TRUE(logged(
        QStringLiteral("OPTIMISATION:Extraction des images au format jpeg de la table WORKGROUP (Ok)")));

    // Run again: nothing left to extract, thumbnails already JPEG and framed.
    const QByteArray before = blob(QStringLiteral("SELECT ImgMini2 FROM PERSON WHERE Name='P'"));
    run(QStringLiteral("ExtractImageToJpeg('DOCUMENTIMG','Img','Doc')\n"
                       "ResizeBitmapInDataBase('PERSON','ImgMini2','64','64')\n"
                       "ConvertBitmapToJpegInDataBase('DOCUMENTIMG','ImgMini')\n"));
    EXPECT_EQ(blob(QStringLiteral("SELECT ImgMini2 FROM PERSON WHERE Name='P'")), before)
        << "a picture already of its size is not resampled again";
    EXPECT_EQ(blob(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=1")), thumbnail);
}

TEST_F(UpdateEngineTest, ScriptsTakeTheirPrefixAndNamesFromOutsideSafely)
{
    exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, Img) VALUES (1, 'd', ?)"),
         {BmpFormat::encode(OlderLayout::picture(8, 8, 1))});
    run(QStringLiteral("ExtractImageToJpeg('DOCUMENTIMG','Img','../../escaped')\n"
                       "ExtractImageToJpeg('DOCUMENTIMG\"; DROP TABLE PERSON; --','Img','Doc')\n"
                       "CompactDataBase(../BRIVOLINE.MDB)\n"));
    EXPECT_FALSE(exists(m_scratch.path() + QStringLiteral("escaped1.jpg")));
    EXPECT_FALSE(blob(QStringLiteral("SELECT Img FROM DOCUMENTIMG")).isEmpty());
    EXPECT_TRUE(tableExists(QStringLiteral("PERSON")));
    EXPECT_TRUE(logged(
        QStringLiteral("Compactage de la base de données (error : « ../BRIVOLINE.MDB » n'est pas un nom "
                       "de base de données.)")));
}

TEST_F(UpdateEngineTest, TreesOfQueriesAndStatisticsBecomeRows)
{
    const QString query = m_program + QStringLiteral("Query/");
    const QString stat = m_program + QStringLiteral("Stat/");
    writeFile(query + QStringLiteral("QueryTree.def"),
              "Actes;1\r\n\tD\xE9penses ;2\r\n\tSans fichier;2\r\n\r\nVaccins;1\r\n");
    writeFile(query + QStringLiteral("Dépenses .req"), "SELECT Price\r\nFROM [ACTION] -- \xE0 revoir\r\n");
    writeFile(stat + QStringLiteral("StatTree.def"), "Par ann\xC3\xA9"
                                                     "e;1\n\tTotal;2\n\tCourt;2\n");
    writeFile(stat + QStringLiteral("Total.stq"),
              "-- Total\n-- Valeurs : \nSELECT Sum(Price) FROM [ACTION]\n");
    writeFile(stat + QStringLiteral("Court.stq"), "SELECT 1");

    run(QStringLiteral("ConvertQueryScript\n"
                       "ConvertStatScript{Montant}\n"
                       "ReplaceStringInQueryScript('Price','Price, Date_Action')\n"
                       "ReplaceStringInStatScript('sum','x')\n"));
    QSqlQuery q(Connection::database());
    q.exec(QStringLiteral(
        "SELECT Id_File, NodeTitle, NodeLevel, NodePos, NodeType FROM SQL_TREE ORDER BY NodePos"));
    QStringList nodes;
    while (q.next())
        nodes << QStringLiteral("%1|%2|%3|%4|%5")
                     .arg(q.value(0).toInt())
                     .arg(q.value(1).toString())
                     .arg(q.value(2).toInt())
                     .arg(q.value(3).toInt())
                     .arg(q.value(4).toInt());
    EXPECT_EQ(nodes, (QStringList{"-1|Actes|0|0|1", "-1|Dépenses|1|1|2", "-1|Sans fichier|1|2|2",
                                  "-1|Vaccins|0|4|1"}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Query FROM SQL_QUERY q JOIN SQL_TREE t ON t.Id=q.Id_Tree "
                                    "WHERE t.NodeTitle='Dépenses'"))
                  .toString(),
              QStringLiteral("SELECT Price, Date_Action\r\nFROM [ACTION] -- à revoir\r\n"));
    EXPECT_EQ(count(QStringLiteral("SQL_QUERY")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT NodeTitle FROM STAT_TREE WHERE NodePos=0")).toString(),
              QStringLiteral("Par année"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Query FROM STAT_QUERY ORDER BY Id")).toString(),
              QStringLiteral("-- Total\n-- Valeurs : {Montant}\nSELECT Sum(Price) FROM [ACTION]\n"))
        << "replacements count the case";
    EXPECT_EQ(scalar(QStringLiteral("SELECT Query FROM STAT_QUERY ORDER BY Id DESC")).toString(),
              QStringLiteral("SELECT 1\n{Montant}"));
    EXPECT_TRUE(logged(QStringLiteral("CONVERSION:Requêtes (Ok)")));
    EXPECT_TRUE(logged(QStringLiteral("MODIFICATION:Requêtes(Price) (Ok)")));
    EXPECT_TRUE(logged(QStringLiteral("MODIFICATION:Statistiques(sum) (Ok)")));
}

TEST_F(UpdateEngineTest, BackupIsACompactedCopyOfferedBeforeEachScript)
{
    Clock::setFixed(QDateTime(QDate(2026, 12, 8), QTime(13, 45, 1)));
    exec(QStringLiteral("INSERT INTO EVENT (Description) VALUES ('avant')"));
    const QString script = QStringLiteral("SqlExe{INSERT INTO EVENT (Description) VALUES ('pendant')}\n");
    run(script, true, QStringLiteral("a.maj"));
    run(script, true, QStringLiteral("b.maj"));
    m_answers << false;
    run(script, true, QStringLiteral("c.maj"));
    EXPECT_EQ(m_questions,
              QStringList(3, QStringLiteral("Souhaitez-vous effectuer une sauvegarde de la base de "
                                            "données avant la mise à jour ?")));
    for (const char* name : {"a.maj", "b.maj", "c.maj"})
        EXPECT_FALSE(exists(m_data + QString::fromLatin1(name))) << "deleted after its run";

    const QString folder = m_data + QStringLiteral("Backup/Maj/");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              (QStringList{"BRIVOLINE_ACCESS_BACKUP_MAJ_08122026134501.bkp",
                           "BRIVOLINE_ACCESS_BACKUP_MAJ_08122026134502.bkp"}))
        << "the second script of the same second gets its own backup";
    {
        const QString name = QStringLiteral("backup-check");
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder + QStringLiteral("BRIVOLINE_ACCESS_BACKUP_MAJ_08122026134502.bkp"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM EVENT")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), 2) << "taken before the second script ran";
    }
    QSqlDatabase::removeDatabase(QStringLiteral("backup-check"));
    EXPECT_TRUE(logged(QStringLiteral("Sauvegarde de la base de données : ") + folder +
                       QStringLiteral("BRIVOLINE_ACCESS_BACKUP_MAJ_08122026134501.bkp (Ok)")));

    // The scratch file of a backup cut short is left as it is; the backup takes the next second.
    Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(8, 0, 0)));
    const QString leftOver = folder + QStringLiteral("BRIVOLINE_ACCESS_BACKUP_MAJ_09122026080000~.bkp");
    writeFile(leftOver, "left over");
    run(script, true, QStringLiteral("d.maj"));
    EXPECT_EQ(readFile(leftOver), "left over");
    EXPECT_TRUE(exists(folder + QStringLiteral("BRIVOLINE_ACCESS_BACKUP_MAJ_09122026080001.bkp")));
    EXPECT_TRUE(logged(QStringLiteral("Sauvegarde interrompue laissée de côté : ") + leftOver));

    // A backup that cannot be written stops the script before its first line.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    writeFile(m_data + QStringLiteral("Backup/Maj"), "not a folder");
    try {
        run(script, true, QStringLiteral("e.maj"));
        ADD_FAILURE() << "the backup must fail";
    } catch (const UpdateError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("aucune ligne du script n'a été exécutée")))
            << e.text().toStdString();
    }
    EXPECT_EQ(count(QStringLiteral("EVENT")), 5) << "e.maj did not run";
    EXPECT_TRUE(exists(m_data + QStringLiteral("e.maj")));
    EXPECT_TRUE(Connection::isOpen());

    // Whoever gives no way to ask is taken to answer no: the script runs
    // without a copy (none could be written here) and goes.
    writeFile(m_data + QStringLiteral("f.maj"), script.toUtf8());
    UpdateEngine(target()).run({m_data, QStringLiteral("f.maj"), true, {}, nullptr, {}});
    EXPECT_EQ(count(QStringLiteral("EVENT")), 6);
    EXPECT_FALSE(exists(m_data + QStringLiteral("f.maj")));
}

TEST_F(UpdateEngineTest, CompactionInsideABlockKeepsWhatTheBlockDid)
{
    const QByteArray big(2 << 20, 'p');
    exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, Img) VALUES (1, 'gros', ?)"), {big});
    const qint64 before = QFileInfo(m_config.databaseFile()).size();
    run(QStringLiteral("NotTableExists(NOTES)\n"
                       "SqlExe{CREATE TABLE NOTES (Id COUNTER, Body TEXT(50))}\n"
                       "SqlExe{UPDATE DOCUMENTIMG SET Img=NULL}\n"
                       "CompactDataBase(brivoline.mdb)\n"
                       "SqlExe{INSERT INTO NOTES (Body) VALUES ('après')}\n"
                       "END\n"));
    EXPECT_TRUE(logged(QStringLiteral("Compactage de la base de données (Ok)")));
    EXPECT_LT(QFileInfo(m_config.databaseFile()).size(), before - (1 << 20));
    EXPECT_EQ(count(QStringLiteral("NOTES")), 1);
    EXPECT_EQ(scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));

    // A scratch file left by an interrupted compaction, never the only copy: cleared.
    writeFile(Compaction::scratchFileFor(m_config.databaseFile()), "left over");
    run(QStringLiteral(
        "CompactDataBase(BRIVOLINE.MDB)\nSqlExe{INSERT INTO NOTES (Body) VALUES ('encore')}\n"));
    EXPECT_EQ(messages().count(QStringLiteral("Compactage de la base de données (Ok)")), 2);
    EXPECT_EQ(count(QStringLiteral("NOTES")), 2);
    EXPECT_FALSE(exists(Compaction::scratchFileFor(m_config.databaseFile())));
}

} // namespace
