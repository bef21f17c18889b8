#include "Connection.h"
#include "Dataset.h"
#include "DatasetReader.h"
#include "DatasetValues.h"
#include "Errors.h"
#include "JetDialect.h"
#include "SelectShape.h"

#include <algorithm>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

// Opening a dataset: its statement translated and run, its fields typed from
// the schema (or the table's declared types), its rows read once into memory
// in their stored types; then moving among them.

QSqlDatabase Dataset::connection() const
{
    QSqlDatabase db =
        m_connectionName.isEmpty() ? Connection::database() : QSqlDatabase::database(m_connectionName, false);
    if (!db.isOpen())
        throw DatabaseError(QStringLiteral("La connexion à la base de données n'est pas ouverte."));
    return db;
}

QString Dataset::translatedStatement() const
{
    const QString jet = m_sql.join(QLatin1Char('\n')).trimmed();
    if (jet.isEmpty())
        throw DatabaseError(QStringLiteral("La requête « %1 » n'a pas d'instruction SQL.").arg(name()));
    return JetDialect::translate(jet);
}

void Dataset::open()
{
    if (isActive())
        return;
    const QString translated = translatedStatement();
    const SelectShape shape = SelectShape::of(m_sql.join(QLatin1Char('\n')));
    if (!shape.isSelect)
        throw DatabaseError(
            QStringLiteral("L'instruction de la requête « %1 » ne renvoie pas de lignes.").arg(name()));
    QSqlDatabase db = connection();

    TableColumns columns;
    if (!shape.table.isEmpty()) {
        QSqlQuery info(db);
        if (info.exec(QStringLiteral("PRAGMA table_info([%1])").arg(shape.table)))
            while (info.next())
                columns.insert(
                    info.value(1).toString().toUpper(),
                    {info.value(1).toString(), info.value(2).toString(), info.value(5).toInt() > 0});
    }
    const bool withRowid = !columns.isEmpty();

    DatasetReader reader(db, withRowid ? withRowidColumn(translated) : translated);
    m_table = withRowid ? shape.table : QString();
    m_selectList = shape.selectList;
    m_fromClause = shape.fromClause;
    buildFields(reader.columns(), withRowid, shape, columns);
    DatasetRows rows;
    rows.reset(m_fetchedCount, static_cast<int>(m_calculations.size()));
    reader.readInto(rows, withRowid, fetchedTypes());
    m_rows = std::move(rows);
    // A calculation that cannot be made (a field its statement lacks) fails
    // here rather than when its row is first shown.
    try {
        if (!m_rows.isEmpty())
            for (int i = m_fetchedCount; i < fieldCount(); ++i)
                calculatedValue(0, i);
    } catch (...) {
        m_rows.reset(0, 0);
        throw;
    }

    m_state = State::Browse;
    m_modified = false;
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.isEmpty();
    notify(&Dataset::reset);
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
    afterScroll();
}

void Dataset::buildFields(const std::vector<FetchedColumn>& fetched, bool withRowid, const SelectShape& shape,
                          const TableColumns& tableColumns)
{
    m_fields.clear();
    m_fieldByName.clear();
    m_spellings.clear();
    const int first = withRowid ? 1 : 0;
    const int count = static_cast<int>(fetched.size());
    QHash<QString, int> uses;
    for (int i = first; i < count; ++i)
        ++uses[fetched[i].name.toUpper()];

    for (int i = first; i < count; ++i) {
        FieldDef def;
        const QString& bare = fetched[i].name;
        QString table = withRowid ? m_table : fetched[i].table;
        if (table.isEmpty() && i - first < shape.qualifiers.size())
            table = shape.qualifiers[i - first];
        // The column a field stands for: itself, or the column its alias renames.
        QString column = bare;
        if (const auto alias = shape.aliases.constFind(bare.toUpper()); alias != shape.aliases.constEnd())
            column = alias.value();
        if (withRowid) {
            const auto c = tableColumns.constFind(column.toUpper());
            def.column = c == tableColumns.constEnd() ? QString() : c->name;
        }

        if (const Schema::Column* known = Schema::findColumn(table, column)) {
            def.type = known->type;
            def.size = known->size;
        } else if (const auto c = tableColumns.constFind(column.toUpper()); c != tableColumns.constEnd()) {
            const auto declared = Schema::typeFromDeclared(c->declared, c->primaryKey);
            def.type = declared ? declared->type : fetched[i].valueType;
            def.size = declared ? declared->size : 0;
        } else {
            def.type = fetched[i].valueType;
        }

        def.upperBare = bare.toUpper();
        def.upperQualified = table.isEmpty() ? QString() : (table + QLatin1Char('.') + bare).toUpper();
        def.name =
            (uses.value(def.upperBare) > 1 && !table.isEmpty()) ? table + QLatin1Char('.') + bare : bare;
        const int index = static_cast<int>(m_fields.size());
        if (!def.upperQualified.isEmpty())
            m_fieldByName.insert(def.upperQualified, index);
        if (!m_fieldByName.contains(def.upperBare))
            m_fieldByName.insert(def.upperBare, index);
        m_fields.push_back(def);
    }
    m_fetchedCount = static_cast<int>(m_fields.size());
    for (int c = 0; c < static_cast<int>(m_calculations.size()); ++c) {
        FieldDef def;
        def.name = m_calculations[c].name;
        def.upperBare = def.name.toUpper();
        def.type = m_calculations[c].type;
        def.calculation = c;
        m_fieldByName.insert(def.upperBare, static_cast<int>(m_fields.size()));
        m_fields.push_back(def);
    }
    resolveSettings();
}

std::vector<Schema::ColumnType> Dataset::fetchedTypes() const
{
    std::vector<Schema::ColumnType> types;
    types.reserve(static_cast<std::size_t>(m_fetchedCount));
    for (int i = 0; i < m_fetchedCount; ++i)
        types.push_back(m_fields[i].type);
    return types;
}

DatasetRows Dataset::refetch(qint64 rowid) const
{
    const QString jet =
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid=%3").arg(m_selectList, m_fromClause).arg(rowid);
    DatasetReader reader(connection(), withRowidColumn(JetDialect::translate(jet)));
    DatasetRows rows;
    rows.reset(m_fetchedCount, static_cast<int>(m_calculations.size()));
    reader.readInto(rows, true, fetchedTypes());
    if (rows.isEmpty())
        throw DatabaseError(
            QStringLiteral("La ligne enregistrée est introuvable dans la table %1.").arg(m_table));
    return rows;
}

void Dataset::close()
{
    if (!isActive())
        return;
    m_state = State::Inactive;
    m_rows.reset(0, 0);
    m_fields.clear();
    m_fetchedCount = 0;
    m_fieldByName.clear();
    m_spellings.clear();
    m_buffer.clear();
    m_modified = false;
    m_table.clear();
    m_current = -1;
    m_bof = m_eof = true;
    notify(&Dataset::reset);
    notify(&Dataset::stateChanged);
    notify(&Dataset::currentChanged);
}

void Dataset::execSql()
{
    close();
    const QString translated = translatedStatement();
    const QSqlDatabase db = connection();
    QSqlQuery query(db);
    if (!query.exec(translated))
        Connection::throwError(db, query.lastError());
}

void Dataset::checkBrowseMode()
{
    checkActive();
    if (!isEditing())
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void Dataset::afterScroll()
{
    if (m_afterScroll)
        m_afterScroll(*this);
}

void Dataset::moveCurrent(int row, bool bofHit, bool eofHit)
{
    const bool moved = row != m_current;
    m_current = row;
    m_bof = bofHit || m_rows.isEmpty();
    m_eof = eofHit || m_rows.isEmpty();
    if (moved) {
        notify(&Dataset::currentChanged);
        afterScroll();
    }
}

void Dataset::first()
{
    checkBrowseMode();
    moveCurrent(m_rows.isEmpty() ? -1 : 0, true, false);
}

void Dataset::last()
{
    checkBrowseMode();
    moveCurrent(recordCount() - 1, false, true);
}

void Dataset::next()
{
    checkBrowseMode();
    if (m_current + 1 < recordCount())
        moveCurrent(m_current + 1, false, false);
    else
        m_eof = true;
}

void Dataset::prior()
{
    checkBrowseMode();
    if (m_current > 0)
        moveCurrent(m_current - 1, false, false);
    else
        m_bof = true;
}

void Dataset::moveTo(int row)
{
    checkBrowseMode();
    if (m_rows.isEmpty())
        return;
    moveCurrent(std::clamp(row, 0, recordCount() - 1), false, false);
}

bool Dataset::locate(const QString& fieldName, const QVariant& value)
{
    checkBrowseMode();
    const int index = field(fieldName).index();
    const Schema::ColumnType type = m_fields[index].type;
    // An integer sought among integers (an Id, most often) is found through
    // the rows' index; anything else is compared row by row.
    const bool integerSought = value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong;
    if (integerSought && index < m_fetchedCount && DatasetValues::isNumeric(type))
        if (const std::optional<int> row = m_rows.findInteger(index, value.toLongLong())) {
            if (*row < 0)
                return false;
            moveCurrent(*row, false, false);
            return true;
        }
    for (int r = 0; r < recordCount(); ++r) {
        if (DatasetValues::sameValue(fetchedValue(r, index), value, type)) {
            moveCurrent(r, false, false);
            return true;
        }
    }
    return false;
}

bool Dataset::locateId(int id)
{
    return locate(QStringLiteral("Id"), static_cast<qlonglong>(id));
}
