#pragma once

#include "UpdateEngine.h"

#include <QSqlDatabase>
#include <QString>
#include <vector>

class UpdateLog;

// What the actions of the update engine share. Names taken from a script
// reach a statement only once they are found in the database's catalogue,
// and then in double quotes; values always go as bound parameters.

struct ActionContext
{
    QString connectionName;
    QString programFolder;
    QString databaseFolder;
    UpdateLog& log;
    PictureTimes& times;

    QSqlDatabase database() const;
};

namespace UpdateCatalog {
struct Column
{
    QString name;
    QString declared;
    bool primaryKey = false;
};
// The table's name as the database spells it; empty when there is none.
QString tableName(const QSqlDatabase& db, const QString& name);
std::vector<Column> columns(const QSqlDatabase& db, const QString& table);
// The column of that name (without regard to case); nullptr when absent.
const Column* find(const std::vector<Column>& columns, const QString& name);
QString quoted(const QString& name);
// The database's own text of a failed statement.
QString errorText(const class QSqlQuery& query);
} // namespace UpdateCatalog

// The picture actions. Each goes through the rows of a table one at a
// time (a whole table of pictures never sits in memory) and returns an empty
// text when every picture was done, or what failed: a picture that cannot be
// read leaves its row as it was and the others go on. Errors of the table
// itself or of the database are thrown (AppError).
namespace PictureActions {
QString extractImageToJpeg(ActionContext& context, const QString& table, const QString& field,
                           const QString& prefix, bool keepPicture);
QString extractJpegImage(ActionContext& context, const QString& table, const QString& field,
                         const QString& prefix);
QString resizeBitmap(ActionContext& context, const QString& table, const QString& field, int width,
                     int height, bool onWhite);
QString convertBitmapToJpeg(ActionContext& context, const QString& table, const QString& field);
} // namespace PictureActions

// The older file-based trees of stored queries and statistics, turned into rows.
namespace TreeConversion {
enum class Tree
{
    Query,
    Stat
};
// Reads Query/QueryTree.def (or Stat/StatTree.def) of the program folder;
// nothing happens without it. A statistic's second line gets "{marker}".
void convert(ActionContext& context, Tree tree, const QString& statMarker);
// Replaces `from` by `to` (case counts) in every stored statement of the tree.
void replaceText(ActionContext& context, Tree tree, const QString& from, const QString& to);
} // namespace TreeConversion
