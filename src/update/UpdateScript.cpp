#include "UpdateScript.h"

#include "TextFiles.h"

#include <array>
#include <QFile>
#include <QRegularExpression>
#include <utility>

namespace UpdateScript {
namespace {

using C = Command;

// The words in their order of precedence: "FieldExists" lies inside
// "NotFieldExists", which must therefore be looked for first.
const std::array<std::pair<const char*, Command>, 17> kWords{{
    {"NotFieldType", C::NotFieldType},
    {"NotFieldExists", C::NotFieldExists},
    {"FieldExists", C::FieldExists},
    {"NotTableExists", C::NotTableExists},
    {"TableExists", C::TableExists},
    {"TableEmpty", C::TableEmpty},
    {"ConvertStatScript", C::ConvertStatScript},
    {"ReplaceStringInStatScript", C::ReplaceStringInStatScript},
    {"ConvertQueryScript", C::ConvertQueryScript},
    {"ReplaceStringInQueryScript", C::ReplaceStringInQueryScript},
    {"ExtractImageToJpeg", C::ExtractImageToJpeg},
    {"ExtractJpegImage", C::ExtractJpegImage},
    {"ResizeBitmapInDataBase", C::ResizeBitmapInDataBase},
    {"ConvertBitmapToJpegInDataBase", C::ConvertBitmapToJpegInDataBase},
    {"CompactDataBase", C::CompactDataBase},
    {"CreateSearchIndex", C::CreateSearchIndex},
    {"SqlExe", C::SqlExe},
}};

QString withoutLeadingBlanks(const QString& line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
        ++i;
    return line.mid(i);
}

// A name as a guard gives it: blanks and enclosing brackets dropped.
QString bareName(const QString& text)
{
    QString name = text.trimmed();
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2).trimmed();
    return name.left(kMaxValue);
}

// The first index of any of the characters from `from` on; `end` when none.
qsizetype firstOf(const QString& text, qsizetype from, QLatin1StringView characters, qsizetype end)
{
    for (qsizetype i = from; i < end; ++i)
        if (characters.contains(text[i]))
            return i;
    return end;
}

} // namespace

Command commandOf(const QString& line)
{
    for (const auto& [word, command] : kWords)
        if (line.contains(QLatin1StringView(word), Qt::CaseSensitive))
            return command;
    return C::None;
}

bool isGuard(Command command)
{
    return command >= C::NotFieldType && command <= C::TableEmpty;
}

bool isComment(const QString& line)
{
    return withoutLeadingBlanks(line).startsWith(QLatin1String("//"));
}

QString commentText(const QString& line)
{
    return withoutLeadingBlanks(line).mid(2);
}

bool isBlockEnd(const QString& line)
{
    return withoutLeadingBlanks(line).left(3).compare(QLatin1String("END"), Qt::CaseInsensitive) == 0;
}

GuardArguments guardArguments(const QString& line)
{
    GuardArguments args;
    const qsizetype open = line.indexOf(QLatin1Char('('));
    if (open < 0)
        return args;
    qsizetype end = line.indexOf(QLatin1Char(')'), open + 1);
    if (end < 0)
        end = line.size();
    const qsizetype dot = firstOf(line, open + 1, QLatin1StringView("."), end);
    args.table = bareName(line.mid(open + 1, dot - open - 1));
    if (dot < end) {
        const qsizetype comma = firstOf(line, dot + 1, QLatin1StringView(","), end);
        args.field = bareName(line.mid(dot + 1, comma - dot - 1));
        if (comma < end)
            args.type = line.mid(comma + 1, end - comma - 1).trimmed().left(kMaxValue);
    }
    return args;
}

QStringList delimitedArguments(const QString& line)
{
    const auto malformed = [&line] {
        return AppError(QStringLiteral("les valeurs de la ligne « %1 » ne sont pas écrites comme attendu : "
                                       "chacune entre deux délimiteurs, séparées par une virgule, le tout "
                                       "entre parenthèses.")
                            .arg(line.left(kMaxValue)));
    };
    QStringList values;
    qsizetype at = line.indexOf(QLatin1Char('('));
    if (at < 0)
        throw malformed();
    for (;;) {
        // `at` is on "(" or on the "," before the next value.
        if (at + 1 >= line.size())
            throw malformed();
        const QChar delimiter = line[at + 1];
        const qsizetype start = at + 2;
        qsizetype close = start;
        for (;; ++close) {
            close = line.indexOf(delimiter, close);
            if (close < 0 || close + 1 >= line.size())
                throw malformed();
            if (line[close + 1] == QLatin1Char(',') || line[close + 1] == QLatin1Char(')'))
                break;
        }
        values << line.mid(start, close - start).left(kMaxValue);
        if (line[close + 1] == QLatin1Char(')'))
            return values;
        at = close + 1;
    }
}

QString bareArgument(const QString& line)
{
    const qsizetype open = line.indexOf(QLatin1Char('('));
    if (open < 0)
        return {};
    qsizetype end = line.indexOf(QLatin1Char(')'), open + 1);
    if (end < 0)
        end = line.size();
    return line.mid(open + 1, end - open - 1).trimmed().left(kMaxValue);
}

QString bracedText(const QString& line)
{
    const qsizetype open = line.indexOf(QLatin1Char('{'));
    if (open < 0)
        return {};
    qsizetype end = line.indexOf(QLatin1Char('}'), open + 1);
    if (end < 0)
        end = line.size();
    return line.mid(open + 1, end - open - 1).left(kMaxValue);
}

QStringList splitLines(const QString& text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UpdateError(QStringLiteral("Le script de mise à jour « %1 » ne peut pas être lu : %2")
                              .arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    // Text in either encoding never holds NUL bytes; a binary file does.
    if (bytes.contains('\0'))
        throw UpdateError(
            QStringLiteral("Le fichier « %1 » n'est pas un script de mise à jour : ce n'est pas un "
                           "fichier texte. Il n'a pas été exécuté.")
                .arg(path));
    return splitLines(TextFiles::decode(bytes));
}

} // namespace UpdateScript
