#include "SelectShape.h"

#include <QList>
#include <QSet>

namespace {

struct Token
{
    enum Kind
    {
        Word,
        Quoted,
        Literal,
        Punct
    };
    Kind kind;
    QString text; // a Word or Quoted token without its brackets or quotes
    qsizetype start;
    qsizetype end;
    int depth;
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Jet lexical rules: [names], "strings", 'strings', #dates#.
QList<Token> tokenize(const QString& s)
{
    QList<Token> tokens;
    int depth = 0;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        if (c == QLatin1Char('[')) {
            const qsizetype close = s.indexOf(QLatin1Char(']'), i + 1);
            i = close < 0 ? n : close + 1;
            tokens.append({Token::Quoted, s.mid(start + 1, i - start - 2), start, i, depth});
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('#')) {
            ++i;
            while (i < n) {
                if (s.at(i) == c) {
                    if (i + 1 < n && s.at(i + 1) == c && c != QLatin1Char('#')) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            tokens.append({Token::Literal, s.mid(start, i - start), start, i, depth});
        } else if (isWordChar(c)) {
            while (i < n && isWordChar(s.at(i)))
                ++i;
            tokens.append({Token::Word, s.mid(start, i - start), start, i, depth});
        } else {
            ++i;
            if (c == QLatin1Char(')'))
                depth = qMax(0, depth - 1);
            tokens.append({Token::Punct, QString(c), start, i, depth});
            if (c == QLatin1Char('('))
                ++depth;
        }
    }
    return tokens;
}

bool isWord(const Token& t, const char* word)
{
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isName(const Token& t)
{
    return t.kind == Token::Word || t.kind == Token::Quoted;
}

bool isPunct(const Token& t, char c)
{
    return t.kind == Token::Punct && t.text.at(0) == QLatin1Char(c);
}

bool endsFromClause(const Token& t)
{
    return t.depth == 0 && (isWord(t, "WHERE") || isWord(t, "GROUP") || isWord(t, "ORDER") ||
                            isWord(t, "HAVING") || isWord(t, "UNION"));
}

// A select item that names one column: [qualifier.]column [AS alias].
void noteAlias(const QList<Token>& item, QHash<QString, QString>& aliases)
{
    qsizetype i = 0;
    if (item.size() >= 3 && isName(item[0]) && isPunct(item[1], '.'))
        i = 2;
    if (i >= item.size() || !isName(item[i]))
        return;
    const QString column = item[i].text;
    if (item.size() == i + 3 && isWord(item[i + 1], "AS") && isName(item[i + 2]))
        aliases.insert(item[i + 2].text.toUpper(), column);
}

} // namespace

SelectShape SelectShape::of(const QString& statement)
{
    SelectShape shape;
    const QList<Token> tokens = tokenize(statement);
    if (tokens.isEmpty() || !isWord(tokens.first(), "SELECT"))
        return shape;
    shape.isSelect = true;

    bool updatable = true;
    static const QSet<QString> aggregates{
        QStringLiteral("COUNT"), QStringLiteral("SUM"),   QStringLiteral("AVG"), QStringLiteral("MIN"),
        QStringLiteral("MAX"),   QStringLiteral("FIRST"), QStringLiteral("LAST")};
    qsizetype from = -1;
    for (qsizetype i = 1; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.depth == 0 && isWord(t, "FROM")) {
            from = i;
            break;
        }
        if (i == 1 && (isWord(t, "DISTINCT") || isWord(t, "DISTINCTROW") || isWord(t, "TOP")))
            updatable = false;
        if (t.kind == Token::Word && i + 1 < tokens.size() && isPunct(tokens[i + 1], '(') &&
            aggregates.contains(t.text.toUpper()))
            updatable = false;
    }
    if (from < 0)
        return shape;
    shape.selectList = statement.mid(tokens[1].start, tokens[from].start - tokens[1].start).trimmed();

    QList<Token> item;
    bool star = false;
    for (qsizetype i = 1; i <= from; ++i) {
        if (i == from || (tokens[i].depth == 0 && isPunct(tokens[i], ','))) {
            noteAlias(item, shape.aliases);
            const bool qualified = item.size() >= 3 && isName(item[0]) && isPunct(item[1], '.');
            star = star || (!item.isEmpty() && isPunct(item.last(), '*') && item.size() <= 3);
            shape.qualifiers << (qualified ? item[0].text : QString());
            item.clear();
        } else {
            item.append(tokens[i]);
        }
    }

    if (star)
        shape.qualifiers.clear();

    qsizetype end = from + 1;
    while (end < tokens.size() && !endsFromClause(tokens[end]))
        ++end;
    if (end == from + 1)
        return shape;
    shape.fromClause =
        statement.mid(tokens[from + 1].start, tokens[end - 1].end - tokens[from + 1].start).trimmed();
    for (qsizetype i = end; i < tokens.size(); ++i)
        if (tokens[i].depth == 0 && (isWord(tokens[i], "GROUP") || isWord(tokens[i], "UNION")))
            updatable = false;

    // One table reference, with or without an alias.
    const QList<Token> reference = tokens.mid(from + 1, end - from - 1);
    const bool single = isName(reference[0]) &&
                        (reference.size() == 1 || (reference.size() == 2 && isName(reference[1])) ||
                         (reference.size() == 3 && isWord(reference[1], "AS") && isName(reference[2])));
    if (updatable && single)
        shape.table = reference[0].text;
    return shape;
}

QString withRowidColumn(const QString& select)
{
    const qsizetype at = select.indexOf(QLatin1String("SELECT"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return select;
    QString text = select;
    text.insert(at + 6, QStringLiteral(" rowid AS %1,").arg(QLatin1String(kRowidColumn)));
    return text;
}
