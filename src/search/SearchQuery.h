#pragma once

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Searching the household's records: what the user typed becomes an FTS5
// query over the search index (every word, in any order, as a prefix;
// accents, case and the ligatures œ and æ folded), the best entries first.
namespace Search {

// What an entry stands for, as its rowid encodes it (search_index.sql).
enum class Kind
{
    Identity = 1,
    History,
    Custom,
    Consultation,
    Purchase,
    Analysis,
    AnalysisValue,
    Vaccination,
    Picture,
    File,
    Event
};

// The kind as a result list shows it ("Acte", "Document image"...).
QString kindLabel(Kind kind);

struct Hit
{
    int personId = -1;
    QString personName; // "Name ForeName"
    Kind kind = Kind::Identity;
    int rowId = -1;      // the row the page selects (for a value, its analysis)
    QDate date;          // invalid when the row has none
    QString snippet;     // plain text around the words found
    QString snippetHtml; // the same, escaped, the words found in <b>...</b>
};

// The words of a typed text, folded: lower case, œ as "oe", æ as "ae".
// Accents stay: the index's tokenizer folds them on both sides.
QStringList words(const QString& typed);

// The FTS5 query for a typed text; empty when it holds no word. Each word
// is quoted (no operator can be typed in) and, from two letters on, a
// prefix; a word with "oe" or "ae" also looks for its ligature.
QString matchExpression(const QString& typed);

// The `limit` best entries for a typed text on that connection (the
// program's when not given), by bm25: among all entries found, or among the
// 2 000 with the highest rowids (documents and events, then the newest
// rows) when more are found. Throws DatabaseError.
QList<Hit> find(const QString& typed, int limit = 50, const QSqlDatabase& db = {});

} // namespace Search
