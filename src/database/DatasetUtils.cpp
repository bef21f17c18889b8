#include "DatasetUtils.h"

#include "Dataset.h"
#include "Errors.h"

#include <QFile>

namespace DatasetUtils {

bool isEmpty(const Dataset& dataset)
{
    return dataset.isEmpty();
}

int currentId(const Dataset& dataset)
{
    if (!dataset.isActive() || dataset.isEmpty() || dataset.currentRow() < 0)
        return -1;
    return dataset.field(QStringLiteral("Id")).asInteger();
}

void editIfNeeded(Dataset& dataset)
{
    if (!dataset.isEditing())
        dataset.edit();
}

void saveIfEditing(Dataset& dataset)
{
    if (dataset.isEditing())
        dataset.post();
}

void reopenOnSameRow(Dataset& dataset)
{
    int id = -1;
    bool known = false;
    try {
        if (dataset.isActive() && !dataset.isEmpty()) {
            id = dataset.field(QStringLiteral("Id")).asInteger();
            known = true;
        }
    } catch (const DatabaseError&) {
        // A dataset without a readable Id simply reopens on its first row.
    }
    dataset.disableControls();
    try {
        dataset.close();
        dataset.open();
        if (known)
            dataset.locateId(id);
    } catch (...) {
        dataset.enableControls();
        throw;
    }
    dataset.enableControls();
}

void runStatement(Dataset& query, const QString& statement)
{
    query.close();
    query.setSql(statement);
    query.execSql();
    query.close();
}

int readNumber(const QString& statement, const QString& connectionName)
{
    Dataset query(QStringLiteral("QueryTmp"));
    query.setConnectionName(connectionName);
    query.setSql(statement);
    query.open();
    if (query.isEmpty() || query.fieldCount() == 0)
        return -1;
    const Field value = query.field(0);
    if (value.isNull() || value.asString().trimmed().isEmpty())
        return -1;
    return value.asInteger();
}

int lineOfKeyword(const QStringList& lines, const QString& keyword)
{
    const QString wanted = keyword.toUpper();
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].toUpper().contains(wanted))
            return i;
    return -1;
}

void replaceWhereLine(Dataset& dataset, const QString& line)
{
    dataset.close();
    dataset.setWhereLine(line);
    dataset.open();
}

namespace {
void replaceClause(QStringList& lines, const QString& keyword, const QString& text)
{
    if (text.isEmpty())
        return;
    const int at = lineOfKeyword(lines, keyword);
    if (at < 0)
        throw DatabaseError(
            QStringLiteral("Le modèle de requête n'a pas de ligne %1 à remplacer.").arg(keyword));
    lines[at] = keyword + QLatin1Char(' ') + text;
}

QString statementFromLines(QStringList lines, const Clauses& clauses)
{
    replaceClause(lines, QStringLiteral("FROM"), clauses.from);
    replaceClause(lines, QStringLiteral("WHERE"), clauses.where);
    if (!clauses.having.isEmpty()) {
        const QString having = QStringLiteral("HAVING ") + clauses.having;
        const int at = lineOfKeyword(lines, QStringLiteral("HAVING"));
        if (at >= 0)
            lines[at] = having;
        else if (!lines.isEmpty() && lines.last().toUpper().contains(QLatin1String("ORDER BY")))
            lines.insert(lines.size() - 1, having);
        else
            lines.append(having);
    }
    replaceClause(lines, QStringLiteral("ORDER BY"), clauses.orderBy);
    return lines.join(QLatin1Char('\n'));
}
} // namespace

QString statementFromFile(const QString& path, bool dropFirstLine, const Clauses& clauses)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DatabaseError(QStringLiteral("Impossible de lire le modèle de requête \"%1\".").arg(path));
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (dropFirstLine && !lines.isEmpty())
        lines.removeFirst();
    return statementFromLines(lines, clauses);
}

} // namespace DatasetUtils
