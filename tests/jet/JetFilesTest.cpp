// The test writer's Jet files read by two independent readers, mdb-export
// and mdb-reader; the program's reader against mdb-export (and mdb-reader
// where mdb-export's dates fail) on files another maker's engine wrote.
#include "JetDate.h"
#include "JetFile.h"
#include "JetHousehold.h"
#include "JetPeers.h"
#include "JetSamples.h"
#include "TestFolders.h"

#include <cmath>
#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonObject>

namespace {

using S = Schema::ColumnType;
const QString kDataFolder = QStringLiteral(BRIVOLINE_SOURCE_DIR "tests/jet/data/");
// How mdb-export 1.0 prints a date it cannot convert (before 1899, after 2737).
const QString kMdbToolsDateFault = QStringLiteral("1900-01-00 00:00:00");

QString fourDecimals(qint64 units)
{
    const qint64 whole = units / 10000;
    const qint64 part = std::llabs(units % 10000);
    return (units < 0 && whole == 0 ? QStringLiteral("-") : QString()) + QString::number(whole) +
           QLatin1Char('.') + QStringLiteral("%1").arg(part, 4, 10, QLatin1Char('0'));
}

// "2019-03-12" or "2020-05-06 14:30:15" as mdb-export and mdb-reader print it.
QString exportedDate(const QString& iso)
{
    return iso.size() == 10 ? iso + QStringLiteral(" 00:00:00") : iso;
}
QString readerDate(const QString& iso)
{
    return exportedDate(iso).replace(QLatin1Char(' '), QLatin1Char('T')) + QStringLiteral(".000Z");
}

bool sameNumber(double a, double b)
{
    return a == b || std::fabs(a - b) <= 1e-12 * std::max(std::fabs(a), std::fabs(b));
}

// One value of the SQLite source against mdb-export's text. Dates that
// mdb-export cannot print are counted and left to mdb-reader.
void expectExported(const QVariant& v, S type, const JetPeers::Field& got, const QString& where,
                    int& datesLeft)
{
    if (type == S::YesNo) {
        EXPECT_EQ(got, v.toLongLong() != 0 ? QStringLiteral("1") : QStringLiteral("0")) << qPrintable(where);
        return;
    }
    // mdb-export prints an empty text as it prints NULL; mdb-reader tells them apart.
    if (v.isNull() || ((type == S::Text || type == S::Memo) && v.toString().isEmpty())) {
        EXPECT_FALSE(got.has_value()) << qPrintable(where);
        return;
    }
    ASSERT_TRUE(got.has_value()) << qPrintable(where);
    switch (type) {
    case S::Double:
    case S::Single:
        EXPECT_TRUE(sameNumber(got->toDouble(), v.toDouble())) << qPrintable(where + " " + *got);
        break;
    case S::Currency:
        EXPECT_EQ(*got, fourDecimals(Money::Amount::fromDouble(v.toDouble()).units())) << qPrintable(where);
        break;
    case S::DateTime:
        if (*got == kMdbToolsDateFault && v.toString() < QLatin1String("1899-12-30"))
            ++datesLeft;
        else
            EXPECT_EQ(*got, exportedDate(v.toString())) << qPrintable(where);
        break;
    case S::Bytes:
        EXPECT_EQ(*got, QString::fromLatin1(v.toByteArray().toHex().toUpper())) << qPrintable(where);
        break;
    default:
        EXPECT_EQ(*got, v.toString()) << qPrintable(where);
    }
}

void expectRead(const QVariant& v, S type, const QJsonValue& got, const QString& where)
{
    if (type == S::YesNo) {
        EXPECT_EQ(got, QJsonValue(v.toLongLong() != 0)) << qPrintable(where);
        return;
    }
    if (v.isNull()) {
        EXPECT_TRUE(got.isNull()) << qPrintable(where);
        return;
    }
    switch (type) {
    case S::Double:
        EXPECT_EQ(got.toDouble(), v.toDouble()) << qPrintable(where);
        break;
    case S::Single:
        EXPECT_EQ(static_cast<float>(got.toDouble()), static_cast<float>(v.toDouble())) << qPrintable(where);
        break;
    case S::Currency:
        EXPECT_EQ(got.toString(), fourDecimals(Money::Amount::fromDouble(v.toDouble()).units()))
            << qPrintable(where);
        break;
    case S::DateTime:
        EXPECT_EQ(got.toString(), readerDate(v.toString())) << qPrintable(where);
        break;
    case S::Bytes:
        EXPECT_EQ(got.toString(), QString::fromLatin1(v.toByteArray().toHex())) << qPrintable(where);
        break;
    case S::AutoIncrement:
    case S::Long:
    case S::Short:
    case S::Byte:
        EXPECT_EQ(got.toDouble(), v.toDouble()) << qPrintable(where);
        break;
    default:
        EXPECT_EQ(got.toString(), v.toString()) << qPrintable(where);
    }
}

QString readerTypeName(S type)
{
    switch (type) {
    case S::AutoIncrement:
    case S::Long:
        return QStringLiteral("long");
    case S::Short:
        return QStringLiteral("integer");
    case S::Byte:
        return QStringLiteral("byte");
    case S::Text:
        return QStringLiteral("text");
    case S::Memo:
        return QStringLiteral("memo");
    case S::Double:
        return QStringLiteral("double");
    case S::Single:
        return QStringLiteral("float");
    case S::Currency:
        return QStringLiteral("currency");
    case S::YesNo:
        return QStringLiteral("boolean");
    case S::DateTime:
        return QStringLiteral("datetime");
    case S::Bytes:
        return QStringLiteral("ole");
    }
    return {};
}

struct WriterCase
{
    const char* name;
    bool currentLayout;
    JetWriter::Options options;
};

void PrintTo(const WriterCase& c, std::ostream* out)
{
    *out << c.name;
}

class JetWriterTest : public ::testing::TestWithParam<WriterCase>
{
};

} // namespace

// Every table, column type, row and value of a household as both readers
// find them in the writer's file: the writer is not only checked against
// the program's own reading of the format.
TEST_P(JetWriterTest, BothIndependentReadersFindEveryValueWritten)
{
    TestFolders::Scratch scratch;
    const QString source = scratch.path() + "source.db";
    const QString jet = scratch.path() + "BRIVOLINE.MDB";
    GetParam().currentLayout ? JetSamples::currentHousehold(source) : JetSamples::olderHousehold(source);
    JetHousehold::copy(source, jet, GetParam().options);

    const std::vector<JetHousehold::TableLayout> tables = JetHousehold::layout(source);
    QStringList names;
    for (const auto& t : tables)
        names << t.name;
    EXPECT_EQ(JetPeers::mdbTables(jet), names);
    const QJsonObject read = JetPeers::mdbReader(jet);
    EXPECT_EQ(read.keys().size(), names.size());

    int datesLeftToMdbReader = 0;
    for (const auto& t : tables) {
        const std::vector<QVariantList> expected = JetHousehold::rows(source, t.name);
        const JetPeers::Rows exported = JetPeers::mdbExport(jet, t.name);
        const QJsonObject table = read.value(t.name).toObject();
        const QJsonArray columns = table.value("columns").toArray();
        const QJsonArray readRows = table.value("rows").toArray();
        ASSERT_EQ(exported.size(), expected.size()) << qPrintable(t.name);
        ASSERT_EQ(static_cast<std::size_t>(readRows.size()), expected.size()) << qPrintable(t.name);
        ASSERT_EQ(static_cast<std::size_t>(columns.size()), t.columns.size()) << qPrintable(t.name);
        for (std::size_t c = 0; c < t.columns.size(); ++c) {
            EXPECT_EQ(columns.at(c).toArray().at(0).toString(), t.columns[c].name);
            EXPECT_EQ(columns.at(c).toArray().at(1).toString(), readerTypeName(t.types[c]))
                << qPrintable(t.columns[c].name);
        }
        for (std::size_t r = 0; r < expected.size(); ++r) {
            ASSERT_EQ(exported[r].size(), t.columns.size());
            for (std::size_t c = 0; c < t.columns.size(); ++c) {
                const QString where =
                    QStringLiteral("%1.%2, ligne %3").arg(t.name, t.columns[c].name).arg(r + 1);
                expectExported(expected[r][c], t.types[c], exported[r][c], where, datesLeftToMdbReader);
                expectRead(expected[r][c], t.types[c], readRows.at(r).toArray().at(c), where);
            }
        }
    }
    // The two dates before 30/12/1899 of the samples: mdbtools' known fault, read right by mdb-reader.
    EXPECT_EQ(datesLeftToMdbReader, 2);
}

INSTANTIATE_TEST_SUITE_P(Layouts, JetWriterTest,
                         ::testing::Values(WriterCase{"older", false, {}}, WriterCase{"current", true, {}},
                                           WriterCase{"indirectMapsUncompressed", false,
                                                      JetWriter::Options{{}, true, false, 38000.75}}),
                         [](const ::testing::TestParamInfo<WriterCase>& param) { return param.param.name; });

namespace {

// A value of the program's reader as mdb-export prints it.
JetPeers::Field ours(const Jet::Row& row, int c, Jet::Type type)
{
    using J = Jet::Type;
    if (row.isNull(c))
        return std::nullopt;
    switch (type) {
    case J::Boolean:
        return row.boolean(c) ? QStringLiteral("1") : QStringLiteral("0");
    case J::Byte:
    case J::Integer:
    case J::Long:
        return QString::number(row.integer(c));
    case J::Currency:
        return fourDecimals(row.money(c).units());
    case J::Single:
    case J::Double:
        return QString::number(row.real(c), 'g', 17);
    case J::DateTime: {
        const auto date = JetDate::fromDays(row.days(c));
        if (!date)
            return QStringLiteral("?");
        QString text = JetDate::isoText(*date);
        return text.size() == 10 ? text + QStringLiteral(" 00:00:00") : text;
    }
    case J::Ole:
    case J::Binary:
        return QString::fromLatin1(row.bytes(c).toHex().toUpper());
    default:
        return row.text(c);
    }
}

} // namespace

// Files that another maker's engine wrote, each value as mdb-export prints
// it, the dates it cannot print as mdb-reader reads them, and the OLE value
// of several pages byte for byte.
TEST(JetReaderTest, OtherMakersFilesReadAsTheIndependentReadersReadThem)
{
    int compared = 0;
    int datesFromMdbReader = 0;
    for (const char* name : {"DateTestDatabase.mdb", "jackcess_testV2000.mdb", "jackcess_test2V2000.mdb",
                             "mdbreader_V2000_empty.mdb"}) {
        const QString path = kDataFolder + name;
        const Jet::File file(path);
        QStringList tables;
        for (const Jet::Table& t : file.tables())
            tables << t.name;
        ASSERT_EQ(tables, JetPeers::mdbTables(path)) << name;
        const QJsonObject read = JetPeers::mdbReader(path);
        for (const Jet::Table& t : file.tables()) {
            const JetPeers::Rows exported = JetPeers::mdbExport(path, t.name);
            const QJsonArray readRows = read.value(t.name).toObject().value("rows").toArray();
            std::size_t r = 0;
            file.readRows(t, [&](const Jet::Row& row) {
                EXPECT_LT(r, exported.size());
                if (r >= exported.size())
                    return false;
                for (std::size_t c = 0; c < t.columns.size(); ++c) {
                    const Jet::Type type = t.columns[c].type;
                    const JetPeers::Field mine = ours(row, static_cast<int>(c), type);
                    const JetPeers::Field& theirs = exported[r][c];
                    const QString where =
                        QStringLiteral("%1 %2.%3, ligne %4").arg(name, t.name, t.columns[c].name).arg(r + 1);
                    if (type == Jet::Type::DateTime && theirs == kMdbToolsDateFault) {
                        ++datesFromMdbReader;
                        EXPECT_EQ(QString(*mine).replace(' ', 'T') + ".000Z",
                                  readRows.at(r).toArray().at(c).toString())
                            << qPrintable(where);
                    } else if ((type == Jet::Type::Double || type == Jet::Type::Single) && mine && theirs) {
                        EXPECT_TRUE(sameNumber(mine->toDouble(), theirs->toDouble())) << qPrintable(where);
                    } else if (mine && mine->isEmpty() && !theirs) {
                        EXPECT_EQ(readRows.at(r).toArray().at(c).toString("?"), QString())
                            << qPrintable(where);
                    } else {
                        EXPECT_EQ(mine, theirs) << qPrintable(where);
                    }
                    ++compared;
                }
                ++r;
                return true;
            });
            EXPECT_EQ(r, exported.size()) << name << " " << qPrintable(t.name);
        }
    }
    EXPECT_EQ(compared, 128);
    EXPECT_EQ(datesFromMdbReader, 8); // years 632 to 634, 1898, 1899 and three of 9999 in DateTestDatabase

    const Jet::File test2(kDataFolder + "jackcess_test2V2000.mdb");
    const Jet::Table* projects = test2.findTable("MSP_PROJECTS");
    ASSERT_TRUE(projects);
    const int ole = projects->columnIndex("RESERVED_BINARY_DATA");
    QByteArray bytes;
    test2.readRows(*projects, [&](const Jet::Row& row) {
        bytes = row.bytes(ole);
        return false;
    });
    EXPECT_EQ(bytes, TestFolders::readFile(kDataFolder + "jackcess_test2BinData.dat"));
}
