#pragma once

#include "UpdateEngine.h"
#include "UpdateScript.h"

#include <QSqlDatabase>
#include <QString>

class ScriptSql;
class UpdateLog;

// The actions of the update scripts. Names taken from a script reach a
// statement only once they are found in the database's catalogue
// (UpdateCatalog), and then in double quotes; values always go as bound
// parameters.

struct ActionContext
{
    QString connectionName;
    QString programFolder;
    QString databaseFolder;
    UpdateLog& log;
    PictureTimes& times;

    // The open connection; throws DatabaseError when it is not open.
    QSqlDatabase database() const;
};

// An action line as the interpreter runs it, CompactDataBase aside (it
// closes the connection the interpreter's block runs on).
namespace UpdateActions {
// What the log calls the action ("SQL:...", "CONVERSION:Requêtes"...);
// empty for a line that is no action.
QString title(UpdateScript::Command command, const QString& line);
// Does the action; returns what went wrong with a part of it (empty when
// nothing did). Throws AppError when the action failed as a whole. `sql`
// runs the free statements (SqlExe) on the context's connection.
QString perform(ActionContext& context, ScriptSql& sql, UpdateScript::Command command, const QString& line);
} // namespace UpdateActions

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
