#include "Schema.h"

#include <QHash>

namespace Schema {
namespace {

using T = ColumnType;

Column txt(const char* name, int size)
{
    return {QString::fromLatin1(name), T::Text, size};
}
Column col(const char* name, ColumnType type)
{
    return {QString::fromLatin1(name), type, 0};
}
Column id()
{
    return col("Id", T::AutoIncrement);
}

// Appends prefix01..prefixNN (two digits) of one kind, as the custom fields are named.
void numbered(std::vector<Column>& columns, const char* prefix, int from, int to, ColumnType type,
              int size = 0, bool twoDigits = true)
{
    for (int i = from; i <= to; ++i) {
        const QString number =
            twoDigits ? QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')) : QString::number(i);
        columns.push_back({QString::fromLatin1(prefix) + number, type, size});
    }
}

// The catalogue of analyses and a person's followed analyses share these columns.
std::vector<Column> analysisDefinitionColumns(bool followed)
{
    std::vector<Column> c{id(), col("Id_File", T::Long)};
    if (followed) {
        c.push_back(col("Id_Ref", T::Long));
        c.push_back(col("Id_Analysis", T::Long));
    }
    c.insert(c.end(), {txt("Title", 128), txt("Description", 255), txt("Category", 128), txt("Unit", 50),
                       col("Decimal", T::Short), col("Value_Min", T::Double), col("Value_Max", T::Double),
                       col("Remark1", T::Memo), col("Remark2", T::Memo)});
    numbered(c, "Img", 1, 4, T::Bytes, 0, false);
    numbered(c, "ImgMini", 1, 4, T::Bytes, 0, false);
    numbered(c, "Misc", 1, 10, T::Text, 128);
    numbered(c, "Misc", 11, 12, T::Memo);
    c.push_back(txt("Tag", 128));
    return c;
}

std::vector<Table> buildTables()
{
    std::vector<Table> all;

    {
        std::vector<Column> c{id(),
                              col("Id_File", T::Short),
                              txt("Name", 128),
                              txt("ForeName", 128),
                              txt("BirthDay_Date", 10),
                              txt("BirthDay_Time", 5),
                              txt("BirthDay_City", 128),
                              col("BirthDay_Weight", T::Double),
                              col("BirthDay_Size", T::Double),
                              txt("No", 128),
                              txt("Blood", 128),
                              col("Org_Secu", T::Memo),
                              col("Org_Comp", T::Memo),
                              col("Previous", T::Memo),
                              col("WeightMode", T::Short),
                              col("SizeMode", T::Short),
                              col("AnalysisMode", T::Short)};
        numbered(c, "Misc", 1, 10, T::Text, 128);
        numbered(c, "Misc", 11, 12, T::Memo);
        c.push_back(col("ImgMini1", T::Bytes));
        c.push_back(col("Img1", T::Bytes));
        numbered(c, "Img", 2, 4, T::Bytes, 0, false);
        numbered(c, "ImgMini", 2, 4, T::Bytes, 0, false);
        c.insert(c.end(), {col("WeightGraph", T::Bytes), col("SizeGraph", T::Bytes), txt("Comment1", 128),
                           txt("Custom00144243", 128)});
        // Layout 3.52: the sex, ISO 5218 (1 male, 2 female), empty when not given.
        c.push_back(col("Sex", T::Short));
        all.push_back({QStringLiteral("PERSON"), c, {{"Name", "ForeName"}}});
    }

    all.push_back({QStringLiteral("ACTION"),
                   {id(),
                    col("Id_File", T::Long),
                    col("Id_Ref", T::Short),
                    col("Tag", T::Long),
                    col("Id_Org", T::Short),
                    col("Id_Illness", T::Short),
                    col("Id_Drug", T::Short),
                    col("Date_Action", T::DateTime),
                    txt("Time_Action", 5),
                    txt("Remark1", 255),
                    txt("Remark2", 255),
                    txt("Gravity", 128),
                    col("Price", T::Currency),
                    col("Repayment", T::YesNo),
                    col("Date_Repayment", T::DateTime),
                    col("Price_Repayment", T::Currency),
                    col("Repayment_Comp", T::YesNo),
                    col("Date_Repayment_Comp", T::DateTime),
                    col("Price_Repayment_Comp", T::Currency),
                    txt("Category", 128),
                    col("Duration", T::Long),
                    col("Repeat", T::Long)},
                   {{"Id_Ref", "Tag", "Date_Action"}, {"Date_Action"}}});

    all.push_back({QStringLiteral("VACCINE"),
                   {id(), col("Id_File", T::Long), col("Id_Ref", T::Short), col("Id_Org", T::Short),
                    col("Id_Vaccine", T::Short), col("Date_Vaccine", T::DateTime), txt("Time_Vaccine", 5),
                    col("Repeat_Date", T::DateTime), col("Repeat_Exe", T::YesNo), txt("Remark1", 255),
                    txt("Remark2", 255), col("Divers1", T::Long), col("Divers2", T::YesNo),
                    txt("Divers3", 128), txt("Divers4", 128), col("Divers5", T::Memo)},
                   {{"Id_Ref", "Date_Vaccine"}, {"Repeat_Date"}}});

    for (const char* kind : {"Weight", "Size"}) {
        const QString k = QString::fromLatin1(kind);
        all.push_back({k.toUpper(),
                       {id(),
                        col("Id_File", T::Long),
                        col("Id_Ref", T::Short),
                        {QStringLiteral("Date_") + k, T::DateTime, 0},
                        {QStringLiteral("Time_") + k, T::Text, 5},
                        {k, T::Double, 0},
                        txt("Remark", 128)},
                       {{QStringLiteral("Id_Ref"), QStringLiteral("Date_") + k}}});
    }

    all.push_back({QStringLiteral("LST_ANALYSIS"), analysisDefinitionColumns(false), {{"Title"}}});
    all.push_back({QStringLiteral("L_ANALYSIS"), analysisDefinitionColumns(true), {{"Id_Ref", "Title"}}});
    all.push_back({QStringLiteral("ANALYSIS"),
                   {id(), col("Id_File", T::Long), col("Id_Ref", T::Short), col("Date_Analysis", T::DateTime),
                    txt("Time_Analysis", 5), col("Value_Analysis", T::Double), col("Value_Min", T::Double),
                    col("Value_Max", T::Double), txt("Remark1", 128)},
                   {{"Id_Ref", "Date_Analysis"}}});

    all.push_back({QStringLiteral("EVENT"),
                   {id(), col("Id_File", T::Long), col("Id_Ref", T::Short), col("Date_Event", T::DateTime),
                    txt("Time_Event", 5), txt("Description", 255)},
                   {{"Id_Ref", "Date_Event", "Time_Event"}}});

    all.push_back(
        {QStringLiteral("DOCUMENTIMG"),
         {id(), col("Id_File", T::Long), col("Id_Ref", T::Short), txt("Title", 128), col("Img", T::Bytes),
          col("ImgMini", T::Bytes), col("DoType", T::Short), col("Tag", T::Long)},
         {{"Id_Ref", "DoType"}}});
    all.push_back({QStringLiteral("DOCUMENTFILE"),
                   {id(), col("Id_File", T::Short), col("Id_Ref", T::Short), txt("Title", 255),
                    col("FileIcon", T::Bytes), txt("FileName", 255), txt("FileType", 128),
                    txt("FileSize", 128), txt("Remark", 255), col("DoType", T::Short)},
                   {{"Id_Ref", "DoType"}}});
    // The text recognised in a picture document (DoKind 1) or read from an
    // attached file (DoKind 2); State 1 read, 2 unreadable (Note says why),
    // 3 a kind of file that holds no text. A document without a row waits
    // for its recognition.
    all.push_back({QStringLiteral("DOCUMENTTEXT"),
                   {id(), col("Id_Document", T::Long), col("DoKind", T::Short), col("Content", T::Memo),
                    col("State", T::Short), txt("Note", 255)},
                   {{"DoKind", "Id_Document"}}});

    all.push_back(
        {QStringLiteral("LST_DOCTOR"),
         {id(), col("Id_File", T::Long), txt("Name", 128), txt("Category", 128), col("Convention", T::YesNo),
          txt("Address", 128), txt("City", 128), txt("CP", 128), txt("Phone", 128), txt("Fax", 128),
          txt("Email", 128), txt("Note", 255), col("Price", T::Currency), txt("Country", 128)},
         {{"Name"}}});
    all.push_back({QStringLiteral("LST_PHARMACY"),
                   {id(), col("Id_File", T::Long), txt("Name", 128), txt("Address", 128), txt("City", 128),
                    txt("CP", 128), txt("Phone", 128), txt("Fax", 128), txt("Email", 128), txt("Note", 255),
                    txt("Country", 128), txt("Category", 128)},
                   {{"Name"}}});
    all.push_back({QStringLiteral("LST_ILLNESS"),
                   {id(), col("Id_File", T::Long), txt("Title", 128), txt("Description", 255),
                    txt("Category", 128), txt("Gravity", 128)},
                   {{"Title"}}});
    for (const char* name : {"LST_DRUG", "LST_VACCINE"})
        all.push_back({QString::fromLatin1(name),
                       {id(), col("Id_File", T::Long), txt("Title", 128), txt("Description", 255),
                        txt("Category", 128)},
                       {{"Title"}}});

    {
        std::vector<Column> c{id(),
                              col("Id_File", T::Short),
                              col("Location", T::Memo),
                              col("Doctor_Category", T::Memo),
                              col("BirthDay_City", T::Memo),
                              col("Blood", T::Memo),
                              col("Action_Gravity", T::Memo),
                              col("Analysis_Unit", T::Memo)};
        numbered(c, "Misc", 1, 10, T::Memo);
        all.push_back({QStringLiteral("COMBOITEMS"), c, {}});
    }
    {
        std::vector<Column> c{col("Id_File", T::Short)};
        numbered(c, "Misc", 1, 12, T::Text, 128);
        all.push_back({QStringLiteral("CUSTOMLAB"), c, {}});
    }

    all.push_back(
        {QStringLiteral("BACKUP"),
         {col("DateSav", T::DateTime), txt("TimeSav", 5), txt("Description", 128), txt("Path", 255)},
         {{"DateSav"}}});
    all.push_back(
        {QStringLiteral("OBJECT_VAL_STR"),
         {col("ID_CLASS", T::Long), col("ID_ATTRIBUTE", T::Long), col("USERID", T::Long), txt("VALUE", 255)},
         {{"ID_CLASS", "ID_ATTRIBUTE", "USERID"}}});

    for (const char* tree : {"SQL_TREE", "STAT_TREE"})
        all.push_back({QString::fromLatin1(tree),
                       {id(), col("Id_File", T::Long), txt("NodeTitle", 255), col("NodeLevel", T::Long),
                        col("NodePos", T::Long), col("NodeType", T::Long)},
                       {}});
    for (const char* query : {"SQL_QUERY", "STAT_QUERY"})
        all.push_back({QString::fromLatin1(query),
                       {id(), col("Id_Tree", T::Long), col("Query", T::Memo)},
                       {{"Id_Tree"}}});

    // Declared by the program but never opened; kept so older files and
    // their statements stay valid.
    all.push_back({QStringLiteral("WORKGROUP"), {id(), col("Id_File", T::Long), txt("Name", 128)}, {}});
    all.push_back({QStringLiteral("DOCUMENT"),
                   {id(), col("Id_File", T::Long), col("Id_Ref", T::Short), txt("Title", 128)},
                   {{"Id_Ref"}}});
    return all;
}

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

} // namespace

const std::vector<Table>& tables()
{
    static const std::vector<Table> all = buildTables();
    return all;
}

const Table* findTable(const QString& name)
{
    for (const Table& t : tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

const Column* findColumn(const QString& table, const QString& column)
{
    const Table* t = findTable(table);
    if (!t)
        return nullptr;
    for (const Column& c : t->columns)
        if (c.name.compare(column, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

// Declared types are chosen so that SQLite's affinity keeps each value as
// the program wrote it: TEXT for texts, memos and ISO dates; INTEGER or REAL
// for numbers; BLOB untouched.
QString sqliteType(ColumnType type, int size)
{
    switch (type) {
    case T::AutoIncrement:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case T::Long:
        return QStringLiteral("INTEGER");
    case T::Short:
        return QStringLiteral("SMALLINT");
    case T::Byte:
        return QStringLiteral("TINYINT");
    case T::Text:
        return QStringLiteral("TEXT(%1)").arg(size > 0 ? size : 255);
    case T::Memo:
        return QStringLiteral("LONGTEXT");
    case T::Double:
        return QStringLiteral("DOUBLE");
    case T::Single:
        return QStringLiteral("FLOAT");
    case T::Currency:
        return QStringLiteral("CURRENCY");
    case T::YesNo:
        return QStringLiteral("YESNO");
    case T::DateTime:
        return QStringLiteral("DATETIME");
    case T::Bytes:
        return QStringLiteral("BLOB");
    }
    return {};
}

std::optional<DeclaredType> typeFromDeclared(const QString& declared, bool primaryKey)
{
    const QString d = declared.trimmed().toUpper();
    if (primaryKey && d == QLatin1String("INTEGER"))
        return DeclaredType{T::AutoIncrement, 0};
    if (d.startsWith(QLatin1String("TEXT(")) && d.endsWith(QLatin1Char(')'))) {
        bool ok = false;
        const int size = d.mid(5, d.size() - 6).toInt(&ok);
        if (ok)
            return DeclaredType{T::Text, size};
    }
    static const QHash<QString, ColumnType> byName{
        {QStringLiteral("INTEGER"), T::Long},      {QStringLiteral("SMALLINT"), T::Short},
        {QStringLiteral("TINYINT"), T::Byte},      {QStringLiteral("LONGTEXT"), T::Memo},
        {QStringLiteral("DOUBLE"), T::Double},     {QStringLiteral("FLOAT"), T::Single},
        {QStringLiteral("CURRENCY"), T::Currency}, {QStringLiteral("YESNO"), T::YesNo},
        {QStringLiteral("DATETIME"), T::DateTime}, {QStringLiteral("BLOB"), T::Bytes}};
    const auto it = byName.constFind(d);
    if (it == byName.constEnd())
        return std::nullopt;
    return DeclaredType{it.value(), 0};
}

QString accessTypeName(ColumnType type)
{
    switch (type) {
    case T::AutoIncrement:
        return QStringLiteral("AutoIncrement");
    case T::Long:
        return QStringLiteral("Long");
    case T::Short:
        return QStringLiteral("Short");
    case T::Byte:
        return QStringLiteral("Byte");
    case T::Text:
        return QStringLiteral("Text");
    case T::Memo:
        return QStringLiteral("Memo");
    case T::Double:
        return QStringLiteral("Double");
    case T::Single:
        return QStringLiteral("Single");
    case T::Currency:
        return QStringLiteral("Currency");
    case T::YesNo:
        return QStringLiteral("Yes/No");
    case T::DateTime:
        return QStringLiteral("Date/Time");
    case T::Bytes:
        return QStringLiteral("Bytes");
    }
    return {};
}

QString columnDefinition(const Column& column)
{
    QString def = quoted(column.name) + QLatin1Char(' ') + sqliteType(column.type, column.size);
    // Jet compares texts without regard to case; NOCASE keeps WHERE and
    // ORDER BY behaving the same and is known to every SQLite tool.
    if (column.type == T::Text || column.type == T::Memo)
        def += QStringLiteral(" COLLATE NOCASE");
    return def;
}

QStringList createStatements(const Table& table)
{
    QStringList defs;
    for (const Column& c : table.columns)
        defs << columnDefinition(c);
    QStringList statements{
        QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(table.name), defs.join(QStringLiteral(", ")))};
    for (const QStringList& index : table.indexes)
        statements << createIndexStatement(table.name, index);
    return statements;
}

QString createIndexStatement(const QString& table, const QStringList& columns)
{
    QStringList cols;
    for (const QString& c : columns)
        cols << quoted(c);
    return QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
        .arg(quoted(QStringLiteral("IX_%1_%2").arg(table, columns.join(QLatin1Char('_')))), quoted(table),
             cols.join(QStringLiteral(", ")));
}

QStringList createStatements()
{
    QStringList all;
    for (const Table& t : tables())
        all << createStatements(t);
    return all;
}

} // namespace Schema
