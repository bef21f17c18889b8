// Windows databases converted into the program's: every row and value kept
// under the program's types, the update of an older layout with its
// pictures, a cancel, and each kind of file that must be refused without
// anything changed or created.
#include "JetConversion.h"

#include "Bitmap.h"
#include "Connection.h"
#include "Errors.h"
#include "FileUtils.h"
#include "JetDate.h"
#include "JetHousehold.h"
#include "JetPeers.h"
#include "JetSamples.h"
#include "JpegIO.h"
#include "Product.h"
#include "TestFolders.h"
#include "WindowsDatabase.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

using S = Schema::ColumnType;

QByteArray digest(const QString& path)
{
    return QCryptographicHash::hash(TestFolders::readFile(path), QCryptographicHash::Sha256);
}

Folders foldersIn(const QString& data)
{
    Folders f;
    f.program = TestFolders::programFolder();
    f.data = data;
    return f;
}

// A statement on a database file, with its first value (or nothing).
QVariant firstValue(const QString& file, const QString& sql)
{
    const QString name = QStringLiteral("jet-conversion-test");
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << qPrintable(q.lastError().text());
        if (q.next())
            value = q.value(0);
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

// Two values the same as the program reads them.
void expectSame(const QVariant& expected, const QVariant& got, S type, const QString& where)
{
    switch (type) {
    case S::YesNo:
        EXPECT_EQ(got.toLongLong(), expected.toLongLong() != 0 ? 1 : 0) << qPrintable(where);
        break;
    case S::Currency:
        EXPECT_EQ(got.isNull(), expected.isNull()) << qPrintable(where);
        EXPECT_EQ(Money::Amount::fromDouble(got.toDouble()).units(),
                  Money::Amount::fromDouble(expected.toDouble()).units())
            << qPrintable(where);
        break;
    case S::Bytes:
        EXPECT_EQ(got.isNull(), expected.isNull()) << qPrintable(where);
        EXPECT_EQ(got.toByteArray(), expected.toByteArray()) << qPrintable(where);
        break;
    default:
        EXPECT_EQ(got.isNull(), expected.isNull()) << qPrintable(where);
        EXPECT_EQ(got.toString(), expected.toString()) << qPrintable(where);
    }
}

struct Refusal
{
    const char* name;
    std::function<void(const QString& jet, const QString& scratch)> make;
    const char* says;
};

void PrintTo(const Refusal& r, std::ostream* out)
{
    *out << r.name;
}

void writeHousehold(const QString& jet, const QString& scratch, const JetWriter::Options& options = {})
{
    JetSamples::olderHousehold(scratch + "source.db");
    JetHousehold::copy(scratch + "source.db", jet, options);
}

void cut(const QString& path, qint64 size)
{
    QFile f(path);
    ASSERT_TRUE(f.resize(size));
}

class RefusalTest : public ::testing::TestWithParam<Refusal>
{
};

} // namespace

TEST(JetDateTest, EveryDayOfTheEnginesRangeWithItsTime)
{
    const auto text = [](double days) {
        const auto d = JetDate::fromDays(days);
        return d ? JetDate::isoText(*d) : QStringLiteral("-");
    };
    EXPECT_EQ(text(0), "1899-12-30");
    EXPECT_EQ(text(-1.25), "1899-12-29 06:00:00"); // days back, the time of day forward
    EXPECT_EQ(text(-0.5), "1899-12-30 12:00:00");
    EXPECT_EQ(text(2.75), "1900-01-01 18:00:00");
    EXPECT_EQ(text(-657434), "0100-01-01");
    EXPECT_EQ(text(2958465.99998), "9999-12-31 23:59:58");
    EXPECT_EQ(text(2958465.9999999), "-");       // 24:00 on the last day is beyond it
    EXPECT_EQ(text(1.9999999999), "1900-01-01"); // rounds to the next midnight
    EXPECT_EQ(text(-1.9999999999), "1899-12-30");
    EXPECT_EQ(text(2958466), "-");
    EXPECT_EQ(text(-657435), "-");
    EXPECT_EQ(text(std::nan("")), "-");
    for (const QDate day : {QDate(1898, 3, 14), QDate(632, 1, 1), QDate(2024, 2, 29), QDate(1899, 12, 29)})
        for (const int seconds : {0, 1, 21600, 86399})
            EXPECT_EQ(JetDate::fromDays(JetDate::toDays(day, seconds))->date, day);
}

// A household of each layout converted: every table, declared type, row
// and value as the SQLite source held them before the test writer made a
// Jet file of it, with the template's indexes.
TEST(JetConversionTest, EveryTableRowAndValueAsTheSourceHeldThem)
{
    for (const bool current : {false, true}) {
        TestFolders::Scratch scratch;
        const QString source = scratch.path() + "source.db";
        const QString jet = scratch.path() + "BRIVOLINE.MDB";
        const QString target = scratch.path() + "converted.db";
        current ? JetSamples::currentHousehold(source) : JetSamples::olderHousehold(source);
        JetHousehold::copy(source, jet);
        QStringList reported;
        JetConversion::convert(Jet::File(jet), target, [&](const QString& table, qint64, qint64) {
            if (!reported.contains(table))
                reported << table;
            return true;
        });

        const std::vector<JetHousehold::TableLayout> expected = JetHousehold::layout(source);
        const std::vector<JetHousehold::TableLayout> got = JetHousehold::layout(target);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t t = 0; t < expected.size(); ++t) {
            const auto& e = expected[t];
            EXPECT_EQ(got[t].name, e.name);
            EXPECT_EQ(reported.value(static_cast<int>(t)), e.name);
            ASSERT_EQ(got[t].columns.size(), e.columns.size());
            for (std::size_t c = 0; c < e.columns.size(); ++c) {
                EXPECT_EQ(got[t].columns[c].name, e.columns[c].name);
                EXPECT_EQ(got[t].types[c], e.types[c]) << qPrintable(e.name + "." + e.columns[c].name);
                EXPECT_EQ(got[t].columns[c].size, e.columns[c].size);
            }
            const std::vector<QVariantList> before = JetHousehold::rows(source, e.name);
            const std::vector<QVariantList> after = JetHousehold::rows(target, e.name);
            ASSERT_EQ(after.size(), before.size()) << qPrintable(e.name);
            for (std::size_t r = 0; r < before.size(); ++r)
                for (std::size_t c = 0; c < e.columns.size(); ++c)
                    expectSame(before[r][c], after[r][c], e.types[c],
                               QStringLiteral("%1.%2, ligne %3").arg(e.name, e.columns[c].name).arg(r + 1));
        }
        EXPECT_EQ(firstValue(target, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = "
                                     "'IX_PERSON_Name_ForeName'")
                      .toInt(),
                  1);
        EXPECT_EQ(firstValue(target, "SELECT typeof(Price) FROM ACTION WHERE Price < 0").toString(), "real");
    }
}

// The engine's counter past the last row is kept: a deleted row's number,
// which may still name a picture file, is not given again.
TEST(JetConversionTest, NumbersOfRowsDeletedAtTheEndAreNotGivenAgain)
{
    TestFolders::Scratch scratch;
    {
        JetWriter::File file(scratch.path() + "BRIVOLINE.MDB");
        const int t = file.addTable(
            "DOCUMENTIMG", {{"Id", JetWriter::Type::Long, 0, true}, {"Title", JetWriter::Type::Text, 128}},
            18);
        file.addRow(t, {std::int64_t(3), QString("Ordonnance")});
        file.addRow(t, {std::int64_t(9), QString("Radio")});
        file.finish();
    }
    const QString target = scratch.path() + "converted.db";
    JetConversion::convert(Jet::File(scratch.path() + "BRIVOLINE.MDB"), target, {});
    firstValue(target, "SELECT 1"); // the file opens
    const QString name = QStringLiteral("jet-counter");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(target);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("INSERT INTO DOCUMENTIMG (Title) VALUES ('Nouveau')"));
        EXPECT_EQ(q.lastInsertId().toInt(), 18);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// A Windows household of the 3.20 layout made into the program's current
// one: the bitmaps of its rows out as JPEG files in the staging folder, the
// Jet file untouched, every table with its rows.
TEST(WindowsDatabaseTest, OlderHouseholdUpdatedWithItsPicturesOutOfTheRows)
{
    TestFolders::Scratch scratch;
    const QString jet = scratch.path() + "BRIVOLINE.MDB";
    writeHousehold(jet, scratch.path());
    const QByteArray before = digest(jet);
    const QString staging = scratch.make("staging");
    const QString target = staging + "BRIVOLINE.MDB";
    EXPECT_EQ(WindowsDatabase::checkFile(jet), "3.20");
    QStringList steps;
    WindowsDatabase::convert(jet, target, staging, foldersIn(scratch.path()),
                             [&](const QString& step, qint64, qint64) {
                                 steps << step;
                                 return true;
                             });

    EXPECT_EQ(digest(jet), before);
    EXPECT_TRUE(steps.contains("Conversion de la table DOCUMENTIMG"));
    EXPECT_FALSE(QFileInfo::exists(target + ".conversion"));
    EXPECT_EQ(firstValue(target, "SELECT VALUE FROM OBJECT_VAL_STR WHERE ID_CLASS = -99").toString(),
              Product::databaseVersion);
    EXPECT_EQ(firstValue(target, "SELECT count(*) FROM ACTION").toInt(), 4);
    EXPECT_EQ(firstValue(target, "SELECT count(*) FROM DOCUMENTIMG WHERE Img IS NULL AND DoType = 1").toInt(),
              3);
    EXPECT_EQ(firstValue(target, "SELECT Date_Action FROM ACTION WHERE Id = 3").toString(), "1898-03-14");
    for (const char* picture :
         {"Images/Doc1.jpg", "Images/Doc3.jpg", "Images/People1.jpg", "Images/People2.jpg"}) {
        Bitmap b;
        EXPECT_TRUE(LoadJpegFile(b, staging + picture, false)) << picture;
    }
    Bitmap photo;
    ASSERT_TRUE(LoadJpegFile(photo, staging + "Images/People2.jpg", false));
    EXPECT_EQ(photo.width(), 800);
}

// A cancel during the conversion or the update leaves no file behind.
TEST(WindowsDatabaseTest, CancelledAtAnyStepLeavesNothing)
{
    TestFolders::Scratch scratch;
    const QString jet = scratch.path() + "BRIVOLINE.MDB";
    writeHousehold(jet, scratch.path());
    for (const QString& stopAt :
         {QStringLiteral("Conversion de la table ACTION"), QStringLiteral("Mise à jour")}) {
        const QString staging = scratch.make("staging-" + stopAt.left(4));
        EXPECT_THROW(WindowsDatabase::convert(
                         jet, staging + "BRIVOLINE.MDB", staging, foldersIn(scratch.path()),
                         [&](const QString& step, qint64, qint64) { return !step.startsWith(stopAt); }),
                     JetConversion::Cancelled)
            << qPrintable(stopAt);
        EXPECT_FALSE(QFileInfo::exists(staging + "BRIVOLINE.MDB"));
        EXPECT_FALSE(QFileInfo::exists(staging + "BRIVOLINE.MDB.conversion"));
    }
}

// What cannot be taken is refused with its reason, and nothing is created:
// the file stays as it was.
TEST_P(RefusalTest, RefusedWithItsReasonNothingCreated)
{
    TestFolders::Scratch scratch;
    const QString jet = scratch.path() + "BRIVOLINE.MDB";
    GetParam().make(jet, scratch.path());
    const QByteArray before = digest(jet);
    const QString staging = scratch.make("staging");
    try {
        WindowsDatabase::convert(jet, staging + "BRIVOLINE.MDB", staging, foldersIn(scratch.path()), {});
        ADD_FAILURE() << "accepted";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.text().contains(QString::fromUtf8(GetParam().says))) << qPrintable(e.text());
        EXPECT_TRUE(e.text().contains(FileUtils::shownPath(jet))) << qPrintable(e.text());
    }
    EXPECT_EQ(digest(jet), before);
    EXPECT_TRUE(QDir(staging).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, RefusalTest,
    ::testing::Values(
        Refusal{"jet3", [](const QString& jet, const QString&) { JetWriter::writeJet3File(jet); },
                "Access 97 (Jet 3)"},
        Refusal{"password",
                [](const QString& jet, const QString& scratch) {
                    writeHousehold(jet, scratch,
                                   JetWriter::Options{QStringLiteral("Sésame"), false, true, 44000.5});
                    // An independent reader finds the same password: the file is as Access makes them.
                    ASSERT_EQ(JetPeers::mdbReaderPassword(jet), QStringLiteral("Sésame"));
                },
                "protégée par un mot de passe"},
        Refusal{"truncatedInAPage",
                [](const QString& jet, const QString& scratch) {
                    writeHousehold(jet, scratch);
                    cut(jet, QFileInfo(jet).size() / 2 + 100);
                },
                "tronqué"},
        Refusal{"truncatedAtAPage",
                [](const QString& jet, const QString& scratch) {
                    writeHousehold(jet, scratch);
                    cut(jet, QFileInfo(jet).size() / 2 / 4096 * 4096);
                },
                "endommagée ou incomplète"},
        Refusal{"otherApplication",
                [](const QString& jet, const QString&) {
                    JetWriter::File file(jet);
                    const int clients = file.addTable("Clients", {{"Nom", JetWriter::Type::Text, 50}});
                    file.addRow(clients, {QString("Dupont")});
                    file.finish();
                },
                "pas celle d'un carnet de santé"},
        Refusal{"newerLayout",
                [](const QString& jet, const QString& scratch) {
                    JetSamples::currentHousehold(scratch + "source.db");
                    firstValue(scratch + "source.db",
                               "UPDATE OBJECT_VAL_STR SET VALUE = '3.52' WHERE ID_CLASS = -99");
                    JetHousehold::copy(scratch + "source.db", jet);
                },
                "en version 3.52, plus récente"},
        Refusal{"notAccess",
                [](const QString& jet, const QString&) { TestFolders::writeFile(jet, "Nom;Prénom\n"); },
                "n'est pas une base de données Access"}),
    [](const ::testing::TestParamInfo<Refusal>& param) { return param.param.name; });

// Bytes overwritten anywhere past the first page: each damaged file is
// either converted (the bytes fell where nothing is read) or refused with a
// French reason; nothing crashes, no converted file is left from a refusal.
TEST(WindowsDatabaseTest, DamagedFilesRefusedWithoutCrash)
{
    TestFolders::Scratch scratch;
    // Without pictures most pages are the file's structure and rows.
    const QString sound = scratch.path() + "sound.mdb";
    JetSamples::currentHousehold(scratch.path() + "source.db");
    JetHousehold::copy(scratch.path() + "source.db", sound);
    const QByteArray bytes = TestFolders::readFile(sound);
    QRandomGenerator random(24);
    int refused = 0;
    for (int i = 0; i < 120; ++i) {
        QByteArray damaged = bytes;
        const auto at = 4096 + random.bounded(static_cast<int>(damaged.size()) - 4096 - 16);
        for (int k = 0; k < 16; ++k)
            damaged[at + k] = static_cast<char>(random.bounded(256));
        const QString jet = scratch.path() + QStringLiteral("damaged%1.mdb").arg(i);
        TestFolders::writeFile(jet, damaged);
        const QString target = scratch.path() + QStringLiteral("converted%1.db").arg(i);
        try {
            JetConversion::convert(Jet::File(jet), target, {});
        } catch (const AppError& e) {
            ++refused;
            EXPECT_FALSE(e.text().isEmpty());
            EXPECT_FALSE(QFileInfo::exists(target));
        }
    }
    EXPECT_GT(refused, 0);
}
