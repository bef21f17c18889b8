#include "UpdateGuards.h"

#include "Errors.h"
#include "Schema.h"
#include "UpdateCatalog.h"

#include <QSet>
#include <QSqlQuery>

namespace UpdateGuards {
namespace {

using UpdateScript::Command;

// The field type names a NotFieldType guard may give; any other counts as ftUnknown.
const QSet<QString>& knownTypeNames()
{
    static const QSet<QString> names{
        QStringLiteral("ftUnknown"),     QStringLiteral("ftString"),     QStringLiteral("ftSmallint"),
        QStringLiteral("ftInteger"),     QStringLiteral("ftWord"),       QStringLiteral("ftBoolean"),
        QStringLiteral("ftFloat"),       QStringLiteral("ftCurrency"),   QStringLiteral("ftBCD"),
        QStringLiteral("ftDate"),        QStringLiteral("ftTime"),       QStringLiteral("ftDateTime"),
        QStringLiteral("ftBytes"),       QStringLiteral("ftVarBytes"),   QStringLiteral("ftAutoInc"),
        QStringLiteral("ftBlob"),        QStringLiteral("ftMemo"),       QStringLiteral("ftGraphic"),
        QStringLiteral("ftFmtMemo"),     QStringLiteral("ftParadoxOle"), QStringLiteral("ftDBaseOle"),
        QStringLiteral("ftTypedBinary"), QStringLiteral("ftCursor"),     QStringLiteral("ftFixedChar"),
        QStringLiteral("ftWideString"),  QStringLiteral("ftLargeInt"),   QStringLiteral("ftADT"),
        QStringLiteral("ftArray"),       QStringLiteral("ftReference"),  QStringLiteral("ftDataSet"),
        QStringLiteral("ftOraBlob"),     QStringLiteral("ftOraClob"),    QStringLiteral("ftVariant"),
        QStringLiteral("ftInterface"),   QStringLiteral("ftIDispatch"),  QStringLiteral("ftGuid"),
        QStringLiteral("ftWideMemo")};
    return names;
}

// The type names a column answers to. A memo holds wide text here, so it is
// both ftMemo and ftWideMemo.
QStringList typeNamesOf(const UpdateCatalog::Column& column)
{
    using T = Schema::ColumnType;
    const auto declared = Schema::typeFromDeclared(column.declared, column.primaryKey);
    if (!declared)
        return {QStringLiteral("ftUnknown")};
    switch (declared->type) {
    case T::AutoIncrement:
        return {QStringLiteral("ftAutoInc")};
    case T::Long:
        return {QStringLiteral("ftInteger")};
    case T::Short:
        return {QStringLiteral("ftSmallint")};
    case T::Byte:
        return {QStringLiteral("ftWord")};
    case T::Text:
        return {QStringLiteral("ftWideString")};
    case T::Memo:
        return {QStringLiteral("ftMemo"), QStringLiteral("ftWideMemo")};
    case T::Double:
    case T::Single:
        return {QStringLiteral("ftFloat")};
    case T::Currency:
        return {QStringLiteral("ftBCD")};
    case T::YesNo:
        return {QStringLiteral("ftBoolean")};
    case T::DateTime:
        return {QStringLiteral("ftDateTime")};
    case T::Bytes:
        return {QStringLiteral("ftBlob")};
    }
    return {QStringLiteral("ftUnknown")};
}

QString existingTable(const QSqlDatabase& db, const QString& name)
{
    const QString table = UpdateCatalog::tableName(db, name);
    if (table.isEmpty())
        throw AppError(
            QStringLiteral("la table « %1 » qu'elle teste n'existe pas dans la base de données.").arg(name));
    return table;
}

UpdateCatalog::Column existingColumn(const QSqlDatabase& db, const UpdateScript::GuardArguments& args)
{
    const QString table = existingTable(db, args.table);
    const auto columns = UpdateCatalog::columns(db, table);
    const UpdateCatalog::Column* column = UpdateCatalog::find(columns, args.field);
    if (!column)
        throw AppError(QStringLiteral("la colonne « %1 » de la table « %2 » qu'elle teste n'existe pas.")
                           .arg(args.field, table));
    return *column;
}

} // namespace

bool holds(const QSqlDatabase& db, Command command, const QString& line)
{
    const UpdateScript::GuardArguments args = UpdateScript::guardArguments(line);
    switch (command) {
    case Command::NotTableExists:
        return UpdateCatalog::tableName(db, args.table).isEmpty();
    case Command::TableExists:
        return !UpdateCatalog::tableName(db, args.table).isEmpty();
    case Command::NotFieldExists:
    case Command::FieldExists: {
        const QString table = existingTable(db, args.table);
        const bool exists = UpdateCatalog::find(UpdateCatalog::columns(db, table), args.field);
        return command == Command::FieldExists ? exists : !exists;
    }
    case Command::NotFieldType: {
        const QString named = knownTypeNames().contains(args.type) ? args.type : QStringLiteral("ftUnknown");
        return !typeNamesOf(existingColumn(db, args)).contains(named);
    }
    case Command::TableEmpty: {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT 1 FROM %1 LIMIT 1")
                        .arg(UpdateCatalog::quoted(existingTable(db, args.table)))))
            throw DatabaseError(UpdateCatalog::errorText(q));
        return !q.next();
    }
    default:
        return false;
    }
}

} // namespace UpdateGuards
