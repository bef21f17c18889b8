#include "JetDialect.h"

#include "Errors.h"
#include "Schema.h"

#include <algorithm>
#include <QDate>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <vector>

// The statement is cut into tokens (texts, [names] and #dates# kept whole),
// the tokens are nested by parentheses, and the tree is written back out with
// the Jet constructs replaced. Everything not named in the tables below is
// copied as it stands: SQLite already reads square brackets, parenthesised
// join chains, <> and the aggregate functions the way Jet does.
namespace JetDialect {
namespace {

using T = Schema::ColumnType;

[[noreturn]] void fail(const QString& text)
{
    throw DatabaseError(text);
}

enum class Kind
{
    Space,
    Word,
    Number,
    Text,
    Name,
    Date,
    Symbol
};

struct Token
{
    Kind kind;
    QString text;
};

// A token, or a parenthesised group (text "(") with what it encloses.
struct Node
{
    Token token;
    bool group = false;
    std::vector<Node> children;
};
using Nodes = std::vector<Node>;

// ---------------------------------------------------------------- tables

struct JetType
{
    T type;
    bool sized; // takes a (n) after the name
};

// Jet 4 reads a plain TEXT (and CHAR, VARCHAR) in DDL as Text(255), as the
// DAO engine always did; through ADO's ANSI-92 mode it would mean Memo, but
// the program's update scripts always give a size, so the narrower reading
// is the safe one.
constexpr int kDefaultTextSize = 255;

const QHash<QString, JetType>& jetTypes()
{
    static const QHash<QString, JetType> types{
        {QStringLiteral("COUNTER"), {T::AutoIncrement, false}},
        {QStringLiteral("AUTOINCREMENT"), {T::AutoIncrement, false}},
        {QStringLiteral("TEXT"), {T::Text, true}},
        {QStringLiteral("CHAR"), {T::Text, true}},
        {QStringLiteral("VARCHAR"), {T::Text, true}},
        {QStringLiteral("MEMO"), {T::Memo, false}},
        {QStringLiteral("LONGTEXT"), {T::Memo, false}},
        {QStringLiteral("YESNO"), {T::YesNo, false}},
        {QStringLiteral("BIT"), {T::YesNo, false}},
        {QStringLiteral("LOGICAL"), {T::YesNo, false}},
        {QStringLiteral("CURRENCY"), {T::Currency, false}},
        {QStringLiteral("MONEY"), {T::Currency, false}},
        {QStringLiteral("DATETIME"), {T::DateTime, false}},
        {QStringLiteral("DATE"), {T::DateTime, false}},
        {QStringLiteral("LONGBINARY"), {T::Bytes, false}},
        {QStringLiteral("OLEOBJECT"), {T::Bytes, false}},
        {QStringLiteral("IMAGE"), {T::Bytes, false}},
        {QStringLiteral("BINARY"), {T::Bytes, true}}, // its size is a byte count; a blob holds any
        {QStringLiteral("SHORT"), {T::Short, false}},
        {QStringLiteral("SMALLINT"), {T::Short, false}},
        {QStringLiteral("LONG"), {T::Long, false}},
        {QStringLiteral("INTEGER"), {T::Long, false}},
        {QStringLiteral("INT"), {T::Long, false}},
        {QStringLiteral("DOUBLE"), {T::Double, false}},
        {QStringLiteral("FLOAT"), {T::Double, false}},
        {QStringLiteral("SINGLE"), {T::Single, false}},
        {QStringLiteral("REAL"), {T::Single, false}},
        {QStringLiteral("BYTE"), {T::Byte, false}},
    };
    return types;
}

// Jet functions SQLite lacks or reads differently (Date() would give the
// UTC day, Format and Mid do other things); refusing them gives a clear
// message instead of a wrong result or an English one.
const QSet<QString>& refusedFunctions()
{
    static const QSet<QString> names{
        QStringLiteral("NOW"),   QStringLiteral("DATE"), QStringLiteral("NZ"),     QStringLiteral("INT"),
        QStringLiteral("MONTH"), QStringLiteral("DAY"),  QStringLiteral("FORMAT"), QStringLiteral("UCASE"),
        QStringLiteral("LCASE"), QStringLiteral("LEN"),  QStringLiteral("MID")};
    return names;
}

// Words that end an operand of '&': Jet binds '&' tighter than comparisons
// and logic but looser than arithmetic, while SQLite's '||' binds tightest
// of all, so each operand is parenthesised between these limits.
const QSet<QString>& operandLimits()
{
    static const QSet<QString> words{
        QStringLiteral("AND"),     QStringLiteral("OR"),     QStringLiteral("NOT"),
        QStringLiteral("XOR"),     QStringLiteral("EQV"),    QStringLiteral("IMP"),
        QStringLiteral("LIKE"),    QStringLiteral("IS"),     QStringLiteral("IN"),
        QStringLiteral("BETWEEN"), QStringLiteral("SELECT"), QStringLiteral("DISTINCT"),
        QStringLiteral("FROM"),    QStringLiteral("WHERE"),  QStringLiteral("AS"),
        QStringLiteral("ON"),      QStringLiteral("ORDER"),  QStringLiteral("GROUP"),
        QStringLiteral("BY"),      QStringLiteral("HAVING"), QStringLiteral("SET"),
        QStringLiteral("VALUES"),  QStringLiteral("INTO"),   QStringLiteral("UNION"),
        QStringLiteral("JOIN"),    QStringLiteral("LEFT"),   QStringLiteral("RIGHT"),
        QStringLiteral("INNER"),   QStringLiteral("ASC"),    QStringLiteral("DESC"),
        QStringLiteral("DEFAULT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE"),
        QStringLiteral("INSERT")};
    return words;
}

const QSet<QString>& operandLimitSymbols()
{
    static const QSet<QString> symbols{QStringLiteral(","),  QStringLiteral("="),  QStringLiteral("<>"),
                                       QStringLiteral("!="), QStringLiteral("<"),  QStringLiteral(">"),
                                       QStringLiteral("<="), QStringLiteral(">="), QStringLiteral(";")};
    return symbols;
}

// ---------------------------------------------------------------- reading

// A quoted piece ('...', "...", [...], #...#) up to its closing character;
// a doubled quote stands for one inside a text.
qsizetype closingOf(const QString& s, qsizetype open, QChar close, bool doubling)
{
    for (qsizetype i = open + 1; i < s.size(); ++i) {
        if (s[i] != close)
            continue;
        if (doubling && i + 1 < s.size() && s[i + 1] == close) {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        qsizetype end = i + 1;
        Kind kind = Kind::Symbol;
        if (c.isSpace()) {
            kind = Kind::Space;
            while (end < s.size() && s[end].isSpace())
                ++end;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            kind = Kind::Word;
            while (end < s.size() && (s[end].isLetterOrNumber() || s[end] == QLatin1Char('_')))
                ++end;
        } else if (c.isDigit()) {
            kind = Kind::Number;
            while (end < s.size() && (s[end].isDigit() || s[end] == QLatin1Char('.')))
                ++end;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[') ||
                   c == QLatin1Char('#')) {
            const bool isName = c == QLatin1Char('[');
            const bool isDate = c == QLatin1Char('#');
            const qsizetype close = closingOf(s, i, isName ? QLatin1Char(']') : c, !isName && !isDate);
            if (close < 0)
                fail(isName ? QStringLiteral(
                                  "Instruction SQL incorrecte : un nom entre crochets n'est pas fermé.")
                     : isDate
                         ? QStringLiteral("Instruction SQL incorrecte : une date entre # n'est pas fermée.")
                         : QStringLiteral("Instruction SQL incorrecte : un texte entre guillemets n'est pas "
                                          "fermé."));
            kind = isName ? Kind::Name : isDate ? Kind::Date : Kind::Text;
            end = close + 1;
        } else if (end < s.size()) {
            const QString pair = s.mid(i, 2);
            if (pair == QLatin1String("<>") || pair == QLatin1String("<=") || pair == QLatin1String(">=") ||
                pair == QLatin1String("!="))
                end = i + 2;
        }
        tokens.push_back({kind, s.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

bool isSymbol(const Token& t, const char* text)
{
    return t.kind == Kind::Symbol && t.text == QLatin1String(text);
}

Nodes nest(const std::vector<Token>& tokens, size_t& i, bool inGroup)
{
    Nodes nodes;
    while (i < tokens.size()) {
        const Token& t = tokens[i++];
        if (isSymbol(t, ")")) {
            if (!inGroup)
                fail(QStringLiteral("Instruction SQL incorrecte : une parenthèse fermante est en trop."));
            return nodes;
        }
        Node node{t, false, {}};
        if (isSymbol(t, "(")) {
            node.group = true;
            node.children = nest(tokens, i, true);
        }
        nodes.push_back(std::move(node));
    }
    if (inGroup)
        fail(QStringLiteral("Instruction SQL incorrecte : une parenthèse n'est pas fermée."));
    return nodes;
}

// ---------------------------------------------------------------- helpers

QString upperWord(const Node& n)
{
    return !n.group && n.token.kind == Kind::Word ? n.token.text.toUpper() : QString();
}

bool isSpace(const Node& n)
{
    return !n.group && n.token.kind == Kind::Space;
}

// Index of the next node that is not blank, from i on (size when none).
size_t skipSpaces(const Nodes& nodes, size_t i)
{
    while (i < nodes.size() && isSpace(nodes[i]))
        ++i;
    return i;
}

// Index of the last node before i that is not blank (size when none).
size_t previousNonSpace(const Nodes& nodes, size_t i)
{
    for (size_t k = std::min(i, nodes.size()); k > 0; --k)
        if (!isSpace(nodes[k - 1]))
            return k - 1;
    return nodes.size();
}

Nodes slice(const Nodes& nodes, size_t from, size_t to)
{
    return Nodes(nodes.begin() + static_cast<std::ptrdiff_t>(from),
                 nodes.begin() + static_cast<std::ptrdiff_t>(to));
}

// The pieces of a node list between its commas.
std::vector<Nodes> splitOnCommas(const Nodes& nodes)
{
    std::vector<Nodes> parts(1);
    for (const Node& n : nodes) {
        if (!n.group && isSymbol(n.token, ","))
            parts.emplace_back();
        else
            parts.back().push_back(n);
    }
    return parts;
}

// ---------------------------------------------------------------- writing

QString write(const Nodes& nodes);

// '...' stays; "..." is a text for Jet but a name for SQLite, so it is
// rewritten with single quotes around the same characters.
QString writeText(const QString& literal)
{
    if (literal.startsWith(QLatin1Char('\'')))
        return literal;
    QString inner = literal.mid(1, literal.size() - 2);
    inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    inner.replace(QStringLiteral("'"), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

// #dd/mm/yyyy# becomes the stored form of a date, 'yyyy-mm-dd'.
QString writeDate(const QString& literal)
{
    const QString inner = literal.mid(1, literal.size() - 2).trimmed();
    const QStringList parts = inner.split(QLatin1Char('/'));
    bool okDay = false, okMonth = false, okYear = false;
    const QDate date = parts.size() == 3 && parts[2].size() == 4
                           ? QDate(parts[2].toInt(&okYear), parts[1].toInt(&okMonth), parts[0].toInt(&okDay))
                           : QDate();
    if (!okDay || !okMonth || !okYear || !date.isValid())
        fail(QStringLiteral("Instruction SQL incorrecte : la date %1 n'est pas une date jj/mm/aaaa valide.")
                 .arg(literal));
    return QLatin1Char('\'') + date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
}

// Writes nodes[i] (and, for a function call, the group that follows it);
// returns the index after what was written.
size_t writeOne(const Nodes& nodes, size_t i, QString& out)
{
    const Node& n = nodes[i];
    if (n.group) {
        out += QLatin1Char('(') + write(n.children) + QLatin1Char(')');
        return i + 1;
    }
    switch (n.token.kind) {
    case Kind::Text:
        out += writeText(n.token.text);
        return i + 1;
    case Kind::Date:
        out += writeDate(n.token.text);
        return i + 1;
    case Kind::Word:
        break;
    default:
        out += n.token.text;
        return i + 1;
    }

    const QString word = n.token.text.toUpper();
    // Yes/No columns hold 0 and 1 (not Jet's -1), so True is 1.
    if (word == QLatin1String("TRUE") || word == QLatin1String("FALSE")) {
        out += word == QLatin1String("TRUE") ? QLatin1Char('1') : QLatin1Char('0');
        return i + 1;
    }
    const size_t before = previousNonSpace(nodes, i);
    const QString previous = before < nodes.size() ? upperWord(nodes[before]) : QString();
    const bool top = word == QLatin1String("TOP") &&
                     (previous == QLatin1String("SELECT") || previous == QLatin1String("DISTINCT"));
    if (top || word == QLatin1String("DISTINCTROW") || word == QLatin1String("TRANSFORM"))
        fail(QStringLiteral("Instruction SQL non prise en charge : le mot Jet %1 n'a pas d'équivalent.")
                 .arg(n.token.text));
    const size_t next = skipSpaces(nodes, i + 1);
    if (next < nodes.size() && nodes[next].group) {
        if (word == QLatin1String("YEAR")) {
            // Dates are stored as 'yyyy-mm-dd' text; the year must come out
            // as a number so that "=2024" and GROUP BY behave as in Jet.
            out += QStringLiteral("CAST(strftime('%Y', ") + write(nodes[next].children) +
                   QStringLiteral(") AS INTEGER)");
            return next + 1;
        }
        if (refusedFunctions().contains(word))
            fail(QStringLiteral(
                     "Instruction SQL non prise en charge : la fonction Jet %1() n'a pas d'équivalent.")
                     .arg(n.token.text));
    }
    out += n.token.text;
    return i + 1;
}

QString writeSequence(const Nodes& nodes)
{
    QString out;
    for (size_t i = 0; i < nodes.size();)
        i = writeOne(nodes, i, out);
    return out;
}

bool isOperandLimit(const Node& n)
{
    if (n.group)
        return false;
    if (n.token.kind == Kind::Symbol)
        return operandLimitSymbols().contains(n.token.text);
    return operandLimits().contains(upperWord(n));
}

bool isConcatenation(const Node& n)
{
    return !n.group && isSymbol(n.token, "&");
}

// a & b: Jet takes a missing value as an empty text, SQLite's || would make
// the whole result empty (NULL).
QString writeConcatenation(const Nodes& run)
{
    size_t first = skipSpaces(run, 0);
    size_t last = run.size();
    while (last > first && isSpace(run[last - 1]))
        --last;
    QStringList operands;
    Nodes operand;
    for (size_t i = first; i <= last; ++i) {
        if (i == last || isConcatenation(run[i])) {
            const QString text = writeSequence(operand).trimmed();
            if (text.isEmpty())
                fail(QStringLiteral("Instruction SQL incorrecte : il manque un terme autour de &."));
            operands << QStringLiteral("COALESCE(%1, '')").arg(text);
            operand.clear();
        } else {
            operand.push_back(run[i]);
        }
    }
    return writeSequence(slice(run, 0, first)) + QLatin1Char('(') + operands.join(QStringLiteral(" || ")) +
           QLatin1Char(')') + writeSequence(slice(run, last, run.size()));
}

QString write(const Nodes& nodes)
{
    if (std::none_of(nodes.begin(), nodes.end(), isConcatenation))
        return writeSequence(nodes);
    QString out;
    Nodes run;
    auto flush = [&] {
        out += std::any_of(run.begin(), run.end(), isConcatenation) ? writeConcatenation(run)
                                                                    : writeSequence(run);
        run.clear();
    };
    for (const Node& n : nodes) {
        if (isOperandLimit(n)) {
            flush();
            out += writeSequence({n});
        } else {
            run.push_back(n);
        }
    }
    flush();
    return out;
}

// ---------------------------------------------------------------- DDL

// One column of CREATE TABLE or ALTER TABLE ... ADD: name, Jet type and the
// rest of its definition. The name and type are written exactly as the
// schema writes its own columns, so an added column is declared the same.
QString writeColumn(const Nodes& def)
{
    size_t i = skipSpaces(def, 0);
    if (i >= def.size() || def[i].group ||
        (def[i].token.kind != Kind::Word && def[i].token.kind != Kind::Name))
        fail(QStringLiteral("Instruction SQL incorrecte : un nom de colonne est attendu."));
    QString name = def[i].token.text;
    if (def[i].token.kind == Kind::Name)
        name = name.mid(1, name.size() - 2);

    i = skipSpaces(def, i + 1);
    const QString typeName = i < def.size() ? upperWord(def[i]) : QString();
    const auto type = jetTypes().constFind(typeName);
    if (type == jetTypes().constEnd())
        fail(QStringLiteral("Instruction SQL non prise en charge : type de colonne inconnu pour %1.")
                 .arg(name));
    int size = type->type == T::Text ? kDefaultTextSize : 0;
    const size_t sizeGroup = skipSpaces(def, ++i);
    if (sizeGroup < def.size() && def[sizeGroup].group) {
        const Nodes& inside = def[sizeGroup].children;
        bool ok = inside.size() == 1 && inside[0].token.kind == Kind::Number;
        const int n = ok ? inside[0].token.text.toInt(&ok) : 0;
        if (!type->sized || !ok || n < 1 || (type->type == T::Text && n > 255))
            fail(QStringLiteral("Instruction SQL incorrecte : taille incorrecte pour la colonne %1.")
                     .arg(name));
        if (type->type == T::Text)
            size = n;
        i = sizeGroup + 1;
    }

    Nodes rest = slice(def, i, def.size());
    if (type->type == T::AutoIncrement) {
        // The declared type already makes the counter the key; Jet scripts
        // often say so again ([CONSTRAINT name] PRIMARY KEY), which SQLite
        // would take for a second key.
        for (size_t k = 0; k < rest.size(); ++k) {
            const size_t key = skipSpaces(rest, k + 1);
            if (upperWord(rest[k]) != QLatin1String("PRIMARY") || key >= rest.size() ||
                upperWord(rest[key]) != QLatin1String("KEY"))
                continue;
            size_t from = k;
            const size_t constraintName = previousNonSpace(rest, k);
            const size_t constraint = previousNonSpace(rest, constraintName);
            if (constraint < rest.size() && upperWord(rest[constraint]) == QLatin1String("CONSTRAINT"))
                from = constraint;
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(from),
                       rest.begin() + static_cast<std::ptrdiff_t>(key + 1));
            break;
        }
    }
    return Schema::columnDefinition({name, type->type, size}) + write(rest);
}

const QSet<QString>& tableConstraintWords()
{
    static const QSet<QString> words{QStringLiteral("CONSTRAINT"), QStringLiteral("PRIMARY"),
                                     QStringLiteral("UNIQUE"), QStringLiteral("FOREIGN"),
                                     QStringLiteral("CHECK")};
    return words;
}

QString writeCreateTable(const Nodes& nodes)
{
    size_t open = 0;
    while (open < nodes.size() && !nodes[open].group)
        ++open;
    if (open == nodes.size())
        fail(QStringLiteral("Instruction SQL incorrecte : CREATE TABLE sans liste de colonnes."));
    QStringList items;
    for (const Nodes& item : splitOnCommas(nodes[open].children)) {
        const size_t first = skipSpaces(item, 0);
        const bool constraint =
            first < item.size() && tableConstraintWords().contains(upperWord(item[first]));
        items << (constraint ? write(item).trimmed() : writeColumn(item).trimmed());
    }
    return write(slice(nodes, 0, open)) + QLatin1Char('(') + items.join(QStringLiteral(", ")) +
           QLatin1Char(')') + write(slice(nodes, open + 1, nodes.size()));
}

// ALTER TABLE t ADD [COLUMN] c type ...; DROP COLUMN passes as it is.
QString writeAlterTable(const Nodes& nodes)
{
    size_t i = skipSpaces(nodes, skipSpaces(nodes, skipSpaces(nodes, 0) + 1) + 1); // after ALTER TABLE
    i = skipSpaces(nodes, i + 1);                                                  // after the table name
    const QString action = i < nodes.size() ? upperWord(nodes[i]) : QString();
    const size_t target = skipSpaces(nodes, i + 1);
    const QString what = target < nodes.size() ? upperWord(nodes[target]) : QString();
    if (action == QLatin1String("ALTER"))
        fail(QStringLiteral("Instruction SQL non prise en charge : la base ne sait pas changer le type d'une "
                            "colonne (ALTER COLUMN)."));
    if (what == QLatin1String("CONSTRAINT") || what == QLatin1String("PRIMARY") ||
        what == QLatin1String("FOREIGN") || what == QLatin1String("UNIQUE"))
        fail(
            QStringLiteral("Instruction SQL non prise en charge : la base ne sait pas ajouter ou retirer une "
                           "contrainte à une table existante."));
    if (action != QLatin1String("ADD"))
        return write(nodes);
    const size_t column = what == QLatin1String("COLUMN") ? target + 1 : target;
    const Nodes def = slice(nodes, column, nodes.size());
    if (splitOnCommas(def).size() > 1)
        fail(QStringLiteral("Instruction SQL non prise en charge : une seule colonne peut être ajoutée par "
                            "instruction."));
    return write(slice(nodes, 0, i)) + QStringLiteral("ADD COLUMN ") + writeColumn(def).trimmed();
}

// CREATE [UNIQUE] INDEX passes as it is, but for Jet's WITH options:
// IGNORE NULL changes nothing here (NULLs are never duplicates in SQLite),
// the others have no equivalent.
QString writeCreateIndex(const Nodes& nodes)
{
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (upperWord(nodes[i]) != QLatin1String("WITH"))
            continue;
        QStringList options;
        for (size_t k = i + 1; k < nodes.size(); ++k)
            if (!isSpace(nodes[k]))
                options << (nodes[k].group ? QStringLiteral("(") : upperWord(nodes[k]));
        if (options != QStringList{QStringLiteral("IGNORE"), QStringLiteral("NULL")})
            fail(QStringLiteral("Instruction SQL non prise en charge : option d'index %1.")
                     .arg(options.join(QLatin1Char(' '))));
        size_t end = i;
        while (end > 0 && isSpace(nodes[end - 1]))
            --end;
        return write(slice(nodes, 0, end));
    }
    return write(nodes);
}

} // namespace

QString translate(const QString& statement)
{
    size_t start = 0;
    const Nodes nodes = nest(tokenize(statement), start, false);
    QStringList head;
    for (size_t i = skipSpaces(nodes, 0); i < nodes.size() && head.size() < 3; i = skipSpaces(nodes, i + 1))
        head << upperWord(nodes[i]);
    auto startsWith = [&](std::initializer_list<const char*> words) {
        qsizetype k = 0;
        for (const char* w : words)
            if (k >= head.size() || head[k++] != QLatin1String(w))
                return false;
        return true;
    };
    if (startsWith({"CREATE", "TABLE"}))
        return writeCreateTable(nodes);
    if (startsWith({"ALTER", "TABLE"}))
        return writeAlterTable(nodes);
    if (startsWith({"CREATE", "INDEX"}) || startsWith({"CREATE", "UNIQUE", "INDEX"}))
        return writeCreateIndex(nodes);
    return write(nodes);
}

} // namespace JetDialect
