#include "BitmapQt.h"
#include "Cabinet.h"
#include "Errors.h"
#include "FhirError.h"
#include "FhirExport.h"
#include "FhirImport.h"
#include "JpegIO.h"
#include "RecordDump.h"
#include "SchemaValidator.h"
#include "SmallDisk.h"
#include "TemplateDatabaseTest.h"

#include <cstdlib>
#include <ctime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QSet>

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray jpeg(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(color);
    QPainter(&image).drawEllipse(2, 2, width / 2, height / 2);
    return encodeJpeg(fromQImage(image), 85);
}

// Texts as users type or paste them, and worse.
struct Texts
{
    QString name, foreName, remark, memo, city;
};
const Texts kPlain{u("Martin"), u("Léa"), u("Fièvre depuis hier"),
                   u("Asthme dans l'enfance.\nAllergie aux acariens."), u("Tours")};
Texts hostile()
{
    QString longMemo;
    while (longMemo.size() < 10000)
        longMemo += u("Œdème « très » étendu — ");
    longMemo.truncate(10000);
    return {u("D'Artagnan \"le grand\" </script><script>alert(1)</script>"), u("Zoé\x01\x1f\x0b\x0c 😷💉"),
            u("  12\u00a0€ : ok\u202f!\u2028fin\t\\u0000 "), longMemo + u("\r\nligne\x02 finale\r\n"),
            u("Saint-\x7f\xc2\xa0Étienne")};
}

// Two records' dumps, the rows that differ shown readably.
void expectSameRecord(const QStringList& actual, const QStringList& expected)
{
    QStringList missing, extra;
    for (const QString& row : expected)
        if (!actual.contains(row))
            missing << row.left(1500);
    for (const QString& row : actual)
        if (!expected.contains(row))
            extra << row.left(1500);
    EXPECT_TRUE(missing.isEmpty() && extra.isEmpty() && actual.size() == expected.size())
        << "expected, not found:\n"
        << missing.join(u("\n")).toStdString() << "\nfound instead:\n"
        << extra.join(u("\n")).toStdString();
}

std::string text(const QStringList& list)
{
    return list.join(u("\n")).toStdString();
}

class FhirBundleTest : public TemplateDatabaseTest
{
protected:
    void SetUp() override
    {
        // The offsets written and read back follow the household's clock:
        // one with summer time shows what a skipped hour does.
        setenv("TZ", "Europe/Paris", 1);
        tzset();
        TemplateDatabaseTest::SetUp();
        for (const char* sub : {"Images", "Files"})
            QDir().mkpath(m_config.databaseFolder + QLatin1String(sub));
        m_records = {Connection::database(), m_config.databaseFolder};
    }

    static int insert(const QSqlDatabase& db, const QString& table, const QVariantMap& values)
    {
        QSqlQuery q(db);
        QStringList names, marks;
        for (auto it = values.begin(); it != values.end(); ++it)
            names << QLatin1Char('[') + it.key() + QLatin1Char(']'), marks << QStringLiteral("?");
        q.prepare(QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                      .arg(table, names.join(u","), marks.join(u",")));
        for (const QVariant& v : values)
            q.addBindValue(v);
        EXPECT_TRUE(q.exec()) << table.toStdString() << ": " << q.lastError().text().toStdString();
        return q.lastInsertId().toInt();
    }
    int insert(const QString& table, const QVariantMap& values)
    {
        return insert(Connection::database(), table, values);
    }

    // A record with a row of every kind, in every state the program keeps.
    int addPerson(const Texts& t, bool withDocuments = true)
    {
        const QString folder = m_config.databaseFolder;
        exec(u("UPDATE CUSTOMLAB SET Misc01=?, Misc11=?"), {u("Mutuelle"), u("Notes libres")});
        const int person = insert(
            u("PERSON"), {{u("Name"), t.name},
                          {u("ForeName"), t.foreName},
                          {u("No"), u("2 04 06 75 123 456 78")},
                          {u("BirthDay_Date"), t.name == kPlain.name ? u("15/06/2004") : u("12/  /2004")},
                          {u("BirthDay_Time"), t.name == kPlain.name ? u("08:45") : u("9h30")},
                          {u("BirthDay_City"), t.city},
                          {u("BirthDay_Weight"), 3.345},
                          {u("BirthDay_Size"), 49.5},
                          {u("Blood"), u("A+")},
                          {u("Org_Secu"), u("CPAM d'Indre-et-Loire\n36 rue Edouard Vaillant\n37000 Tours")},
                          {u("Org_Comp"), t.memo},
                          {u("Previous"), t.memo},
                          {u("WeightMode"), 2},
                          {u("SizeMode"), 3},
                          {u("AnalysisMode"), 1},
                          {u("Misc01"), u("MGEN 123")},
                          {u("Misc11"), t.memo},
                          {u("ImgMini1"), QByteArray("BM-small-photo")}});
        if (withDocuments)
            TestFolders::writeFile(folder + QStringLiteral("Images/People%1.jpg").arg(person),
                                   jpeg(40, 30, Qt::blue));

        const int doctor = insert(u("LST_DOCTOR"), {{u("Name"), u("Dr Bernard")},
                                                    {u("Category"), u("Pédiatre")},
                                                    {u("Convention"), 1},
                                                    {u("Address"), u("3 place Plumereau")},
                                                    {u("City"), u("Tours")},
                                                    {u("CP"), u("37000")},
                                                    {u("Phone"), u("02 47 00 00 00")},
                                                    {u("Email"), u("b@example.org")},
                                                    {u("Note"), t.remark},
                                                    {u("Country"), u("France")}});
        const int pharmacy = insert(u("LST_PHARMACY"), {{u("Name"), u("Pharmacie du Centre")},
                                                        {u("City"), u("Tours")},
                                                        {u("Fax"), u("02 47 11 11 11")},
                                                        {u("Category"), u("Officine")}});
        const int illness = insert(u("LST_ILLNESS"), {{u("Title"), u("Otite séreuse (essai)")},
                                                      {u("Description"), t.remark},
                                                      {u("Category"), u("ORL")},
                                                      {u("Gravity"), u("Bénigne")}});
        const int drug = insert(
            u("LST_DRUG"), {{u("Title"), u("Amoxicilline (essai)")}, {u("Category"), u("Antibiotique")}});
        const int vaccine = insert(u("LST_VACCINE"), {{u("Title"), u("DTCaP (essai)")},
                                                      {u("Description"), u("Diphtérie")},
                                                      {u("Category"), u("Obligatoire")}});

        // Acts: paid by both, by one, by none; empty and negative amounts;
        // times valid, empty, blank and not a time; a time the clock skips.
        insert(u("ACTION"), {{u("Id_Ref"), person},
                             {u("Tag"), 1},
                             {u("Id_Org"), doctor},
                             {u("Id_Illness"), illness},
                             {u("Date_Action"), u("2021-03-28")},
                             {u("Time_Action"), u("02:30")},
                             {u("Remark1"), t.remark},
                             {u("Remark2"), u("Revoir dans 8 jours")},
                             {u("Gravity"), u("Moyenne")},
                             {u("Price"), u("25")},
                             {u("Repayment"), 1},
                             {u("Date_Repayment"), u("2021-04-02")},
                             {u("Price_Repayment"), u("16.5")},
                             {u("Repayment_Comp"), 1},
                             {u("Date_Repayment_Comp"), u("2021-04-10")},
                             {u("Price_Repayment_Comp"), u("8.5")}});
        insert(u("ACTION"), {{u("Id_Ref"), person},
                             {u("Tag"), 1},
                             {u("Id_Org"), doctor},
                             {u("Date_Action"), u("2022-07-14")},
                             {u("Time_Action"), u("  :  ")},
                             {u("Price"), u("0.0001")},
                             {u("Repayment"), 0},
                             {u("Price_Repayment"), u("30")},
                             {u("Repayment_Comp"), 1},
                             {u("Price_Repayment_Comp"), u("1234567.8901")}});
        insert(u("ACTION"), {{u("Id_Ref"), person},
                             {u("Tag"), 1},
                             {u("Date_Action"), u("2022-07-15")},
                             {u("Time_Action"), u("25:99")},
                             {u("Repayment"), 0},
                             {u("Repayment_Comp"), 0}});
        insert(u("ACTION"), {{u("Id_Ref"), person},
                             {u("Tag"), 2},
                             {u("Id_Org"), pharmacy},
                             {u("Id_Drug"), drug},
                             {u("Date_Action"), u("2022-01-03")},
                             {u("Time_Action"), u("18:05")},
                             {u("Remark1"), t.remark},
                             {u("Price"), u("7.32")},
                             {u("Repayment"), 1},
                             {u("Date_Repayment"), u("2022-01-20")},
                             {u("Price_Repayment"), u("4.76")},
                             {u("Repayment_Comp"), 0},
                             {u("Price_Repayment_Comp"), u("-2.5")}});

        insert(u("VACCINE"), {{u("Id_Ref"), person},
                              {u("Id_Org"), doctor},
                              {u("Id_Vaccine"), vaccine},
                              {u("Date_Vaccine"), u("2004-08-15")},
                              {u("Repeat_Date"), u("2009-08-15")},
                              {u("Repeat_Exe"), 0},
                              {u("Remark1"), t.remark}});
        insert(u("VACCINE"), {{u("Id_Ref"), person},
                              {u("Id_Vaccine"), vaccine},
                              {u("Date_Vaccine"), u("2009-09-01")},
                              {u("Time_Vaccine"), u("10:00")},
                              {u("Repeat_Date"), u("2019-09-01")},
                              {u("Repeat_Exe"), 1}});

        insert(u("WEIGHT"), {{u("Id_Ref"), person},
                             {u("Date_Weight"), u("2005-06-15")},
                             {u("Weight"), 9.6479},
                             {u("Remark"), t.remark}});
        insert(u("WEIGHT"), {{u("Id_Ref"), person},
                             {u("Date_Weight"), u("2006-06-15")},
                             {u("Time_Weight"), u("07:10")},
                             {u("Weight"), 0.1 + 0.2}});
        insert(u("SIZE"), {{u("Id_Ref"), person}, {u("Date_Size"), u("2005-06-15")}, {u("Size"), 74.25}});

        const int catalogue = insert(u("LST_ANALYSIS"), {{u("Title"), u("Glycémie (essai)")},
                                                         {u("Unit"), u("g/l")},
                                                         {u("Decimal"), 2},
                                                         {u("Value_Min"), 0.7},
                                                         {u("Value_Max"), 1.1},
                                                         {u("Description"), u("À jeun")},
                                                         {u("Category"), u("Sang")}});
        const int unusual =
            insert(u("LST_ANALYSIS"),
                   {{u("Title"), u("Score maison")}, {u("Unit"), u("points ♥")}, {u("Decimal"), 0}});
        const int followed = insert(u("L_ANALYSIS"), {{u("Id_File"), -1},
                                                      {u("Id_Ref"), person},
                                                      {u("Id_Analysis"), catalogue},
                                                      {u("Unit"), u("g/l")},
                                                      {u("Decimal"), 3},
                                                      {u("Value_Min"), 0.75},
                                                      {u("Value_Max"), 1.05},
                                                      {u("Remark1"), t.memo}});
        insert(u("L_ANALYSIS"), {{u("Id_File"), -1},
                                 {u("Id_Ref"), person},
                                 {u("Id_Analysis"), unusual},
                                 {u("Unit"), u("points ♥")},
                                 {u("Decimal"), 0}});
        insert(u("ANALYSIS"), {{u("Id_Ref"), followed},
                               {u("Date_Analysis"), u("2020-02-29")},
                               {u("Time_Analysis"), u("08:00")},
                               {u("Value_Analysis"), 0.93},
                               {u("Value_Min"), 0.7},
                               {u("Value_Max"), 1.1},
                               {u("Remark1"), t.remark}});
        insert(
            u("ANALYSIS"),
            {{u("Id_Ref"), followed}, {u("Date_Analysis"), u("2021-01-05")}, {u("Value_Analysis"), 1.234}});

        insert(u("EVENT"), {{u("Id_Ref"), person},
                            {u("Date_Event"), u("2010-05-01")},
                            {u("Time_Event"), u("16:20")},
                            {u("Description"), t.remark}});
        insert(u("EVENT"),
               {{u("Id_Ref"), person}, {u("Date_Event"), u("2010-05-02")}, {u("Description"), t.name}});

        if (withDocuments) {
            const int picture = insert(u("DOCUMENTIMG"), {{u("Id_File"), 0},
                                                          {u("Id_Ref"), person},
                                                          {u("Title"), t.remark},
                                                          {u("ImgMini"), QByteArray("BM-thumbnail")},
                                                          {u("DoType"), 1}});
            TestFolders::writeFile(folder + QStringLiteral("Images/Doc%1.jpg").arg(picture),
                                   jpeg(64, 48, Qt::red));
            const int file = insert(u("DOCUMENTFILE"), {{u("Id_File"), 0},
                                                        {u("Id_Ref"), person},
                                                        {u("FileName"), u("compte rendu (été).pdf")},
                                                        {u("FileType"), u("Document PDF")},
                                                        {u("FileSize"), u("2 Ko")},
                                                        {u("Remark"), QString()},
                                                        {u("FileIcon"), QByteArray("BM-icon")},
                                                        {u("DoType"), 1}});
            QByteArray content("%PDF-1.4\n");
            for (int i = 0; i < 256; ++i)
                content.append(char(i));
            const QString source = m_scratch.path() + u("source.pdf");
            TestFolders::writeFile(source, content);
            Cabinet::create(folder + QStringLiteral("Files/File%1.f").arg(file),
                            {{source, u("compte rendu (été).pdf")}});
        }
        return person;
    }

    QString exportToFile(int person, const QString& name, const ExportOptions& options = {})
    {
        const QString file = m_scratch.path() + name;
        FhirExport::exportPerson(m_records, person, file, options);
        return file;
    }

    // A second household, from the template too, on its own connection.
    Records secondHousehold()
    {
        const QString folder = m_scratch.make(u("second"));
        TestFolders::copyTemplate(folder + u("Access/BRIVOLINE.MDB"));
        QSqlDatabase db = QSqlDatabase::addDatabase(u("QSQLITE"), u("second"));
        db.setDatabaseName(folder + u("Access/BRIVOLINE.MDB"));
        EXPECT_TRUE(db.open());
        return {db, folder};
    }
    void TearDown() override
    {
        if (QSqlDatabase::contains(u("second"))) {
            QSqlDatabase::database(u("second")).close();
            QSqlDatabase::removeDatabase(u("second"));
        }
        TemplateDatabaseTest::TearDown();
    }

    Records m_records;
};

TEST_F(FhirBundleTest, ExportThenImportGivesBackEveryColumnOfEveryRowAndEveryFile)
{
    const int person = addPerson(kPlain);
    const QStringList original = recordDump(m_records.db, m_records.databaseFolder, person);
    const QString file = exportToFile(person, u("carnet.json"));

    // Into the same household: its own lists are found again, none added.
    const ImportResult same = FhirImport::importFile(m_records, file);
    EXPECT_NE(same.personId, person);
    EXPECT_TRUE(same.skipped.isEmpty()) << text(same.skipped);
    EXPECT_TRUE(same.listAdded.isEmpty()) << text(same.listAdded);
    expectSameRecord(recordDump(m_records.db, m_records.databaseFolder, same.personId), original);

    // Into another one: every list entry is made from what the bundle says.
    const Records other = secondHousehold();
    const ImportResult moved = FhirImport::importFile(other, file);
    EXPECT_TRUE(moved.skipped.isEmpty()) << text(moved.skipped);
    EXPECT_EQ(moved.listAdded.size(), 7) << moved.listAdded.join(u("; ")).toStdString();
    expectSameRecord(recordDump(other.db, other.databaseFolder, moved.personId), original);
    // No staged file is left beside the ones put in place.
    for (const char* sub : {"Images", "Files"})
        for (const QString& name : QDir(other.databaseFolder + QLatin1String(sub)).entryList(QDir::Files))
            EXPECT_FALSE(name.endsWith(u(".importation")) || name.endsWith(u(".contenu")))
                << name.toStdString();
}

TEST_F(FhirBundleTest, BundlesAreValidR4AndKeepHostileTextsExactly)
{
    const int plain = addPerson(kPlain);
    const int rough = addPerson(hostile());
    const int empty = insert(u("PERSON"), {{u("Name"), u("Vide")}});
    const QStringList files{exportToFile(plain, u("plain.json")), exportToFile(rough, u("hostile.json")),
                            exportToFile(empty, u("empty.json")),
                            exportToFile(plain, u("light.json"), {.includeDocuments = false})};
    EXPECT_EQ(SchemaValidator::problems(files).toStdString(), "");

    // Plain UTF-8 JSON: the hostile texts are escaped, not dropped.
    const QByteArray json = TestFolders::readFile(files[1]);
    QJsonParseError error;
    QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_TRUE(json.contains(u("😷💉").toUtf8()));

    // Into another household, as the lists here now hold two entries of each name.
    const Records other = secondHousehold();
    const ImportResult back = FhirImport::importFile(other, files[1]);
    EXPECT_TRUE(back.skipped.isEmpty()) << text(back.skipped);
    expectSameRecord(recordDump(other.db, other.databaseFolder, back.personId),
                     recordDump(m_records.db, m_records.databaseFolder, rough));
}

TEST_F(FhirBundleTest, IdentifiersStayAcrossExportsAndDifferBetweenHouseholds)
{
    const int person = addPerson(kPlain, false);
    const auto ids = [](const QJsonObject& bundle) {
        QStringList out;
        for (const QJsonValue& e : bundle.value(u("entry")).toArray())
            out << e.toObject().value(u("fullUrl")).toString();
        return out;
    };
    const QStringList first = ids(FhirExport::bundle(m_records, person, {}));
    EXPECT_EQ(ids(FhirExport::bundle(m_records, person, {})), first);
    EXPECT_EQ(QSet<QString>(first.begin(), first.end()).size(), first.size());
    for (const QString& url : first)
        EXPECT_TRUE(url.startsWith(u("urn:uuid:")));

    const Records other = secondHousehold();
    const ImportResult moved = FhirImport::importBundle(other, FhirExport::bundle(m_records, person, {}));
    const QStringList there = ids(FhirExport::bundle(other, moved.personId, {}));
    EXPECT_EQ(there.size(), first.size());
    EXPECT_TRUE(QSet<QString>(there.begin(), there.end())
                    .intersect(QSet<QString>(first.begin(), first.end()))
                    .isEmpty());
}

TEST_F(FhirBundleTest, DocumentsLeftOutAreDescribedAndNotImportedAsEmptyRows)
{
    const int person = addPerson(kPlain);
    ExportResult result;
    const QJsonObject bundle = FhirExport::bundle(m_records, person, {.documentLimit = 200}, &result);
    EXPECT_EQ(result.leftOut, (QStringList{u("Photo"), kPlain.remark, u("compte rendu (été).pdf")}));
    EXPECT_TRUE(result.problems.isEmpty());

    const ImportResult back = FhirImport::importBundle(m_records, bundle);
    EXPECT_EQ(back.skipped.size(), 2) << back.skipped.join(u("\n")).toStdString();
    EXPECT_EQ(count(u("DOCUMENTIMG"), QStringLiteral("WHERE Id_Ref=%1").arg(back.personId)), 0);
    EXPECT_EQ(count(u("DOCUMENTFILE"), QStringLiteral("WHERE Id_Ref=%1").arg(back.personId)), 0);
    EXPECT_EQ(count(u("ACTION"), QStringLiteral("WHERE Id_Ref=%1").arg(back.personId)), 4);
}

// A bundle another program wrote: what maps is taken, the rest listed.
TEST_F(FhirBundleTest, ForeignBundleTakesWhatMapsAndListsTheRest)
{
    const QByteArray goodPicture = jpeg(20, 20, Qt::green);
    const QJsonObject patientRef{{u("reference"), u("Patient/p1")}};
    const auto entry = [](const QJsonObject& r) { return QJsonObject{{u("resource"), r}}; };
    const QJsonArray entries{
        entry({{u("resourceType"), u("Patient")},
               {u("id"), u("p1")},
               {u("name"),
                QJsonArray{QJsonObject{{u("family"), u("Durand")}, {u("given"), QJsonArray{u("Paul")}}}}},
               {u("identifier"), QJsonArray{QJsonObject{{u("system"), u("urn:oid:1.2.250.1.213.1.4.8")},
                                                        {u("value"), u("180057512345678")}}}},
               {u("birthDate"), u("1980-05-01")}}),
        entry({{u("resourceType"), u("Observation")},
               {u("status"), u("final")},
               {u("subject"), patientRef},
               {u("code"),
                QJsonObject{{u("coding"), QJsonArray{QJsonObject{{u("system"), u("http://loinc.org")},
                                                                 {u("code"), u("29463-7")}}}}}},
               {u("effectiveDateTime"), u("2023-07-01T22:30:00Z")},
               {u("valueQuantity"), QJsonObject{{u("value"), 71500}, {u("code"), u("g")}}}}),
        entry({{u("resourceType"), u("Observation")},
               {u("status"), u("final")},
               {u("subject"), QJsonObject{{u("reference"), u("Patient/someone-else")}}},
               {u("code"),
                QJsonObject{{u("coding"), QJsonArray{QJsonObject{{u("system"), u("http://loinc.org")},
                                                                 {u("code"), u("8302-2")}}}}}},
               {u("valueQuantity"), QJsonObject{{u("value"), 180}, {u("code"), u("cm")}}}}),
        entry({{u("resourceType"), u("AllergyIntolerance")}, {u("id"), u("a1")}, {u("patient"), patientRef}}),
        entry(
            {{u("resourceType"), u("DocumentReference")},
             {u("status"), u("current")},
             {u("subject"), patientRef},
             {u("description"), u("Radio")},
             {u("content"), QJsonArray{QJsonObject{
                                {u("attachment"),
                                 QJsonObject{{u("contentType"), u("image/jpeg")},
                                             {u("data"), QString::fromLatin1(goodPicture.toBase64())}}}}}}}),
        entry(
            {{u("resourceType"), u("DocumentReference")},
             {u("status"), u("current")},
             {u("subject"), patientRef},
             {u("description"), u("Altéré")},
             {u("content"), QJsonArray{QJsonObject{
                                {u("attachment"),
                                 QJsonObject{{u("contentType"), u("image/jpeg")},
                                             {u("hash"), u("AAAAAAAAAAAAAAAAAAAAAAAAAAA=")},
                                             {u("data"), QString::fromLatin1(goodPicture.toBase64())}}}}}}}),
    };
    const ImportResult result = FhirImport::importBundle(
        m_records, {{u("resourceType"), u("Bundle")}, {u("type"), u("collection")}, {u("entry"), entries}});

    EXPECT_EQ(
        scalar(
            QStringLiteral("SELECT No || '|' || BirthDay_Date FROM PERSON WHERE Id=%1").arg(result.personId))
            .toString(),
        u("1 80 05 75 123 456 78|01/05/1980"));
    // 22:30 UTC on a summer day is 00:30 the next day in France; grams are kilograms / 1000.
    EXPECT_EQ(
        scalar(QStringLiteral(
                   "SELECT Date_Weight || ' ' || Time_Weight || ' ' || Weight FROM WEIGHT WHERE Id_Ref=%1")
                   .arg(result.personId))
            .toString(),
        u("2023-07-02 00:30 71.5"));
    EXPECT_EQ(count(u("[SIZE]"), QStringLiteral("WHERE Id_Ref=%1").arg(result.personId)), 0);
    const int picture =
        scalar(QStringLiteral("SELECT Id FROM DOCUMENTIMG WHERE Id_Ref=%1").arg(result.personId)).toInt();
    EXPECT_EQ(
        TestFolders::readFile(m_config.databaseFolder + QStringLiteral("Images/Doc%1.jpg").arg(picture)),
        goodPicture);
    EXPECT_FALSE(scalar(QStringLiteral("SELECT ImgMini FROM DOCUMENTIMG WHERE Id=%1").arg(picture))
                     .toByteArray()
                     .isEmpty());
    ASSERT_EQ(result.skipped.size(), 3) << text(result.skipped);
    EXPECT_TRUE(result.skipped[0].contains(u("autre patient")));
    EXPECT_TRUE(result.skipped[1].contains(u("altéré")));
    EXPECT_TRUE(result.skipped[2].startsWith(u("AllergyIntolerance")));
}

TEST_F(FhirBundleTest, RefusedBundlesWriteNothing)
{
    const int person = addPerson(kPlain);
    const QString file = exportToFile(person, u("carnet.json"));
    const int people = count(u("PERSON"));
    const auto refused = [&](const QByteArray& content, const char* expected) {
        const QString path = m_scratch.path() + u("refused.json");
        TestFolders::writeFile(path, content);
        try {
            FhirImport::importFile(m_records, path);
            ADD_FAILURE() << "accepted: " << expected;
        } catch (const AppError& e) {
            EXPECT_TRUE(e.text().contains(u(expected))) << e.text().toStdString();
        }
        EXPECT_EQ(count(u("PERSON")), people);
    };
    refused(TestFolders::readFile(file).left(5000), "JSON");
    refused(R"({"resourceType":"Bundle","entry":[]})", "aucun patient");
    refused(R"({"resourceType":"Bundle","entry":[{"resource":{"resourceType":"Patient"}},)"
            R"({"resource":{"resourceType":"Patient"}}]})",
            "plusieurs patients");
    refused(R"({"resourceType":"Patient"})", "Bundle");

    // A picture that cannot be put in place undoes the whole record, and no
    // staged file stays behind.
    const QString images = m_config.databaseFolder + u("Images");
    const QStringList before = QDir(images).entryList(QDir::Files);
    const QString blocker = images + QStringLiteral("/Doc%1.jpg.importation")
                                         .arg(scalar(u("SELECT max(Id) FROM DOCUMENTIMG")).toInt() + 1);
    QDir().mkpath(blocker);
    EXPECT_THROW(FhirImport::importFile(m_records, file), AppError);
    EXPECT_EQ(count(u("PERSON")), people);
    EXPECT_EQ(count(u("ACTION")), 4);
    QDir().rmdir(blocker);
    EXPECT_EQ(QDir(images).entryList(QDir::Files), before);
}

// The entries are written out while the next ones are made: a disk that
// fills up midway stops the export with its reason, leaves no file, and the
// same record is then written whole where there is room.
TEST_F(FhirBundleTest, ExportOntoAFullDiskStopsWithItsReasonAndLeavesNoFile)
{
    const int person = addPerson(kPlain, false);
    exec(u("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
           "INSERT INTO \"ACTION\" (Id_Ref, Tag, Date_Action, Remark1, Price) "
           "SELECT ?, 1 + i % 2, '2020-01-01', 'Contrôle ' || i, 25 FROM n"),
         {person});
    const QString folder = m_scratch.make(u("petit-disque"));
    SmallDisk disk(folder, 1 << 20);
    if (!disk.mounted())
        GTEST_SKIP() << disk.whyNot().toStdString();
    try {
        FhirExport::exportPerson(m_records, person, folder + u("carnet.json"), {});
        ADD_FAILURE() << "exported onto a full disk";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.text().contains(u("plein"))) << e.text().toStdString();
    }
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());

    const QString file = m_scratch.path() + u("carnet.json");
    const ExportResult result = FhirExport::exportPerson(m_records, person, file, {});
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QJsonObject whole = QJsonDocument::fromJson(written.readAll()).object();
    const QJsonArray entries = whole.value(u("entry")).toArray();
    EXPECT_EQ(entries.size(), result.resources);
    EXPECT_GT(result.resources, 3 * 3000);
    QSet<QString> urls;
    for (const QJsonValue& entry : entries)
        urls.insert(entry[u("fullUrl")].toString());
    EXPECT_EQ(urls.size(), entries.size()) << "an entry written twice or lost";
}

TEST_F(FhirBundleTest, PersonFoundByNumberOrName)
{
    const int lea = insert(u("PERSON"), {{u("Name"), u("Martin")}, {u("ForeName"), u("Léa")}});
    insert(u("PERSON"), {{u("Name"), u("Martin")}, {u("ForeName"), u("Hugo")}});
    EXPECT_EQ(FhirExport::findPerson(m_records.db, QString::number(lea)), lea);
    EXPECT_EQ(FhirExport::findPerson(m_records.db, u("martin léa")), lea);
    EXPECT_EQ(FhirExport::findPerson(m_records.db, u("Léa Martin")), lea);
    EXPECT_THROW(FhirExport::findPerson(m_records.db, u("Martin")), FhirError);
    EXPECT_THROW(FhirExport::findPerson(m_records.db, u("Personne")), FhirError);
    EXPECT_THROW(FhirExport::findPerson(m_records.db, u("999")), FhirError);
}

} // namespace
