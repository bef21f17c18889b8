// The conversion of the older file-based trees of stored queries and
// statistics (a definition file and one statement file per leaf) into rows.
#include "Errors.h"
#include "TextFiles.h"
#include "UpdateActions.h"
#include "UpdateCatalog.h"
#include "UpdateScript.h"

#include <QFileInfo>
#include <QSqlQuery>

namespace TreeConversion {
namespace {

struct TreeFiles
{
    QString folder;     // in the program folder
    QString definition; // the tree, one node a line
    QString extension;  // of a leaf's statement file
    QString treeTable;
    QString queryTable;
};

TreeFiles filesOf(const ActionContext& context, Tree tree)
{
    if (tree == Tree::Query)
        return {context.programFolder + QStringLiteral("Query/"), QStringLiteral("QueryTree.def"),
                QStringLiteral(".req"), QStringLiteral("SQL_TREE"), QStringLiteral("SQL_QUERY")};
    return {context.programFolder + QStringLiteral("Stat/"), QStringLiteral("StatTree.def"),
            QStringLiteral(".stq"), QStringLiteral("STAT_TREE"), QStringLiteral("STAT_QUERY")};
}

void exec(QSqlQuery& query)
{
    if (!query.exec())
        throw DatabaseError(UpdateCatalog::errorText(query));
}

// A leaf's title names its statement file: it must stay a bare name.
QString statementFile(const TreeFiles& files, const QString& title)
{
    if (title.contains(QLatin1Char('/')) || title.contains(QLatin1Char('\\')) ||
        title.contains(QLatin1String("..")))
        throw DatabaseError(
            QStringLiteral("Le titre « %1 » ne peut pas servir de nom de fichier.").arg(title));
    return files.folder + title + files.extension;
}

// "{marker}" appended to the second line, which is added when missing.
QString markedStatistic(const QString& text, const QString& marker)
{
    const QString lineEnd =
        text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList lines = UpdateScript::splitLines(text);
    while (lines.size() < 2)
        lines << QString();
    lines[1] += QLatin1Char('{') + marker + QLatin1Char('}');
    return lines.join(lineEnd) + (text.endsWith(QLatin1Char('\n')) ? lineEnd : QString());
}

} // namespace

void convert(ActionContext& context, Tree tree, const QString& statMarker)
{
    const TreeFiles files = filesOf(context, tree);
    if (!QFileInfo(files.folder + files.definition).isFile())
        return;
    const QStringList lines = UpdateScript::splitLines(TextFiles::read(files.folder + files.definition));

    QSqlDatabase db = context.database();
    QSqlQuery node(db);
    node.prepare(QStringLiteral("INSERT INTO %1 (Id_File, NodeTitle, NodeLevel, NodePos, NodeType) "
                                "VALUES (-1, ?, ?, ?, ?)")
                     .arg(files.treeTable));
    QSqlQuery statement(db);
    statement.prepare(QStringLiteral("INSERT INTO %1 (Id_Tree, Query) VALUES (?, ?)").arg(files.queryTable));
    for (int position = 0; position < lines.size(); ++position) {
        const QString& line = lines[position];
        if (line.trimmed().isEmpty())
            continue;
        // A leaf begins with a tab; every line ends with two characters
        // that are not part of the title.
        const bool leaf = line.startsWith(QLatin1Char('\t'));
        QString title = leaf ? line.mid(1) : line;
        title.chop(2);
        node.bindValue(0, title.trimmed().left(UpdateScript::kMaxValue));
        node.bindValue(1, leaf ? 1 : 0);
        node.bindValue(2, position);
        node.bindValue(3, leaf ? 2 : 1);
        exec(node);
        if (!leaf)
            continue;
        const QString file = statementFile(files, title);
        if (!QFileInfo(file).isFile())
            continue;
        QString text = TextFiles::read(file);
        if (tree == Tree::Stat)
            text = markedStatistic(text, statMarker);
        statement.bindValue(0, node.lastInsertId());
        statement.bindValue(1, text);
        exec(statement);
    }
}

void replaceText(ActionContext& context, Tree tree, const QString& from, const QString& to)
{
    if (from.isEmpty())
        return;
    const TreeFiles files = filesOf(context, tree);
    QSqlDatabase db = context.database();
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT Id, Id_Tree, Query FROM %1").arg(files.queryTable)))
        throw DatabaseError(UpdateCatalog::errorText(rows));
    QList<std::pair<qint64, QString>> changed;
    while (rows.next()) {
        QString text = rows.value(2).toString();
        if (text.contains(from, Qt::CaseSensitive))
            changed.append({rows.value(0).toLongLong(), text.replace(from, to, Qt::CaseSensitive)});
    }
    rows.finish();
    QSqlQuery write(db);
    write.prepare(QStringLiteral("UPDATE %1 SET Query = ? WHERE Id = ?").arg(files.queryTable));
    for (const auto& [id, text] : changed) {
        write.bindValue(0, text);
        write.bindValue(1, id);
        exec(write);
    }
}

} // namespace TreeConversion
