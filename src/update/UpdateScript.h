#pragma once

#include "Errors.h"

#include <QString>
#include <QStringList>

// Raised when an update script cannot go on (a guard that cannot be tested,
// a block without its END line, a failed backup, a file that is no script):
// the run of the script and start-up end with this text. A failing action
// raises a plain AppError: it is logged and the script goes on.
class UpdateError : public AppError
{
public:
    using AppError::AppError;
};

// The grammar of the update scripts ("*.maj"): one command a line, found by
// its word anywhere in the line.
namespace UpdateScript {

// In order of precedence: the first of these words found in a line decides
// what the line does (case counts).
enum class Command
{
    None,
    NotFieldType,
    NotFieldExists,
    FieldExists,
    NotTableExists,
    TableExists,
    TableEmpty,
    ConvertStatScript,
    ReplaceStringInStatScript,
    ConvertQueryScript,
    ReplaceStringInQueryScript,
    ExtractImageToJpeg,
    ExtractJpegImage,
    ResizeBitmapInDataBase,
    ConvertBitmapToJpegInDataBase,
    CompactDataBase,
    CreateSearchIndex,
    SqlExe
};

// Values of a script are at most this long.
constexpr int kMaxValue = 255;

Command commandOf(const QString& line);
bool isGuard(Command command);
// A comment line begins with "//" (blanks before it allowed); its text is the rest.
bool isComment(const QString& line);
QString commentText(const QString& line);
// A guarded block ends at the first line whose first three characters
// (after any blanks) are "END", in any case.
bool isBlockEnd(const QString& line);

// Guards take bare arguments: TABLE.FIELD,TYPE between the line's first "("
// and ")". Brackets around a name are dropped.
struct GuardArguments
{
    QString table;
    QString field;
    QString type;
};
GuardArguments guardArguments(const QString& line);

// Actions take values each enclosed in one delimiter character, separated by
// commas: ('PERSON','Img1','People'). A value ends at its delimiter when a
// comma or ")" follows, so commas and brackets may stand inside it.
// Throws AppError (the action fails) when the list is not written that way.
QStringList delimitedArguments(const QString& line);
// The bare text between the line's first "(" and the next ")".
QString bareArgument(const QString& line);
// The text between the line's first "{" and the next "}" (or the end of the
// line), cut to kMaxValue characters.
QString bracedText(const QString& line);

// A text file's lines, whatever their ends (CR LF, LF, CR).
QStringList splitLines(const QString& text);
// Reads a script: UTF-8, or Windows-1252 when it is not valid UTF-8. Throws
// UpdateError for a file that cannot be read or is not text.
QStringList load(const QString& path);

} // namespace UpdateScript
