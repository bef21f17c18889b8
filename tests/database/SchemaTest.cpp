#include "Schema.h"

#include "Connection.h"
#include "TemplateDatabaseTest.h"

#include <gtest/gtest.h>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

class TemplateSchema : public TemplateDatabaseTest
{
protected:
    static QSqlQuery run(const QString& sql)
    {
        QSqlQuery q(Connection::database());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q;
    }
};

struct FileColumn
{
    QString declared;
    bool primaryKey;
};

TEST_F(TemplateSchema, EveryTableAndColumnHasItsAccessTypeAndSize)
{
    for (const Schema::Table& table : Schema::tables()) {
        QSqlQuery info = run(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table.name));
        QHash<QString, FileColumn> inFile;
        while (info.next())
            inFile.insert(info.value(1).toString().toUpper(),
                          {info.value(2).toString(), info.value(5).toInt() > 0});
        ASSERT_FALSE(inFile.isEmpty()) << "missing table " << table.name.toStdString();
        EXPECT_EQ(inFile.size(), static_cast<qsizetype>(table.columns.size())) << table.name.toStdString();
        for (const Schema::Column& column : table.columns) {
            const QString where = table.name + QLatin1Char('.') + column.name;
            ASSERT_TRUE(inFile.contains(column.name.toUpper())) << where.toStdString();
            const FileColumn c = inFile.value(column.name.toUpper());
            const auto type = Schema::typeFromDeclared(c.declared, c.primaryKey);
            ASSERT_TRUE(type.has_value()) << where.toStdString() << " " << c.declared.toStdString();
            EXPECT_EQ(type->type, column.type) << where.toStdString();
            EXPECT_EQ(type->size, column.size) << where.toStdString();
        }
    }
}

TEST_F(TemplateSchema, ColumnsTheDesignNamesHaveTheirTypes)
{
    using T = Schema::ColumnType;
    struct Expect
    {
        const char* table;
        const char* column;
        T type;
        int size;
    } expected[] = {
        {"PERSON", "BirthDay_Date", T::Text, 10}, {"PERSON", "BirthDay_Time", T::Text, 5},
        {"person", "no", T::Text, 128},           {"PERSON", "Previous", T::Memo, 0},
        {"PERSON", "Misc12", T::Memo, 0},         {"PERSON", "Custom00144243", T::Text, 128},
        {"ACTION", "Id_Ref", T::Short, 0},        {"ACTION", "Price_Repayment_Comp", T::Currency, 0},
        {"ACTION", "Repayment", T::YesNo, 0},     {"ACTION", "Date_Action", T::DateTime, 0},
        {"L_ANALYSIS", "Id_Ref", T::Long, 0},     {"ANALYSIS", "Id_Ref", T::Short, 0},
        {"LST_ANALYSIS", "Unit", T::Text, 50},    {"DOCUMENTFILE", "Id_File", T::Short, 0},
        {"DOCUMENTIMG", "ImgMini", T::Bytes, 0},  {"EVENT", "Description", T::Text, 255},
        {"BACKUP", "Path", T::Text, 255},         {"LST_DOCTOR", "Convention", T::YesNo, 0},
    };
    for (const Expect& e : expected) {
        const Schema::Column* c =
            Schema::findColumn(QString::fromLatin1(e.table), QString::fromLatin1(e.column));
        ASSERT_NE(c, nullptr) << e.table << "." << e.column;
        EXPECT_EQ(c->type, e.type) << e.table << "." << e.column;
        EXPECT_EQ(c->size, e.size) << e.table << "." << e.column;
    }
    EXPECT_EQ(Schema::findColumn(QStringLiteral("CUSTOMLAB"), QStringLiteral("Id")), nullptr);
}

TEST_F(TemplateSchema, SingleRowsAndVersionArePresent)
{
    QSqlQuery version = run(QStringLiteral(
        "SELECT VALUE FROM OBJECT_VAL_STR WHERE ID_CLASS=-99 AND ID_ATTRIBUTE=-99 AND USERID=-99"));
    ASSERT_TRUE(version.next());
    EXPECT_EQ(version.value(0).toString(), QStringLiteral("3.54"));
    EXPECT_FALSE(version.next());
    for (const char* single : {"COMBOITEMS", "CUSTOMLAB"}) {
        QSqlQuery count = run(QStringLiteral("SELECT count(*) FROM %1").arg(QString::fromLatin1(single)));
        ASSERT_TRUE(count.next());
        EXPECT_EQ(count.value(0).toInt(), 1) << single;
    }
    EXPECT_EQ(run(QStringLiteral("SELECT count(*) FROM PERSON")).next(), true);
}

TEST_F(TemplateSchema, StartingContentIsFrench)
{
    QSqlQuery combo =
        run(QStringLiteral("SELECT Blood, Doctor_Category, Action_Gravity, Analysis_Unit FROM COMBOITEMS"));
    ASSERT_TRUE(combo.next());
    EXPECT_EQ(combo.value(0).toString().split(QLatin1Char('\n')).size(), 8);
    EXPECT_TRUE(combo.value(1).toString().split(QLatin1Char('\n')).contains(QStringLiteral("Pédiatre")));
    EXPECT_TRUE(combo.value(3).toString().split(QLatin1Char('\n')).contains(QStringLiteral("mmol/L")));

    QSqlQuery vaccine = run(QStringLiteral("SELECT count(*) FROM LST_VACCINE WHERE Title = 'ror'"));
    ASSERT_TRUE(vaccine.next());
    EXPECT_EQ(vaccine.value(0).toInt(), 1) << "titles compare without regard to case";

    // What varies from one laboratory to another is left for the user.
    QSqlQuery ranges =
        run(QStringLiteral("SELECT count(*) FROM LST_ANALYSIS WHERE Value_Min <> 0 OR Value_Max <> 0"));
    ASSERT_TRUE(ranges.next());
    EXPECT_EQ(ranges.value(0).toInt(), 0);
    QSqlQuery analyses = run(QStringLiteral("SELECT count(*) FROM LST_ANALYSIS WHERE Unit = 'g/L'"));
    ASSERT_TRUE(analyses.next());
    EXPECT_GT(analyses.value(0).toInt(), 3);
}

TEST_F(TemplateSchema, ValuesKeepTheirStoredForm)
{
    run(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Date_Action, Price, Repayment, Remark1) "
                       "VALUES (1, 1, '2026-12-09', 12.5, 0, '0012')"));
    QSqlQuery q = run(QStringLiteral("SELECT typeof(Date_Action), typeof(Price), Remark1, Id FROM [ACTION]"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("text"));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("real"));
    EXPECT_EQ(q.value(2).toString(), QStringLiteral("0012")) << "a text of digits stays text";
    EXPECT_GT(q.value(3).toInt(), 0);
}

TEST_F(TemplateSchema, PersonDetailTablesAreIndexedOnTheirPerson)
{
    for (const char* table : {"ACTION", "VACCINE", "WEIGHT", "SIZE", "ANALYSIS", "L_ANALYSIS", "EVENT",
                              "DOCUMENTIMG", "DOCUMENTFILE"}) {
        QSqlQuery q = run(
            QStringLiteral("SELECT count(*) FROM pragma_index_list('%1') il, pragma_index_info(il.name) ii "
                           "WHERE ii.seqno = 0 AND ii.name = 'Id_Ref'")
                .arg(QString::fromLatin1(table)));
        ASSERT_TRUE(q.next());
        EXPECT_GE(q.value(0).toInt(), 1) << table;
    }
}

TEST(SchemaTypes, DeclaredTypesRoundTrip)
{
    using T = Schema::ColumnType;
    for (T type : {T::Long, T::Short, T::Byte, T::Memo, T::Double, T::Single, T::Currency, T::YesNo,
                   T::DateTime, T::Bytes}) {
        const auto back = Schema::typeFromDeclared(Schema::sqliteType(type), false);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->type, type) << Schema::accessTypeName(type).toStdString();
    }
    const auto text = Schema::typeFromDeclared(Schema::sqliteType(T::Text, 42), false);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size, 42);
    EXPECT_FALSE(Schema::typeFromDeclared(QStringLiteral("GEOMETRY"), false).has_value());
}

} // namespace
