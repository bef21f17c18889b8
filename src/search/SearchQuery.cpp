#include "SearchQuery.h"

#include "Connection.h"
#include "Errors.h"
#include "SearchIndex.h"

#include <QSqlError>
#include <QSqlQuery>

namespace Search {
namespace {

constexpr qint64 kKindShift = 4294967296LL;
constexpr int kRankedEntries = 2000;
// Marks the snippet() function puts around the words found; no stored text
// holds these control characters.
const QChar kOpen(0x02);
const QChar kClose(0x03);
// The spellings of a folded word: as typed, and with every "oe" as "œ",
// every "ae" as "æ" (a word rarely mixes both spellings).
QStringList ligatureVariants(const QString& word)
{
    QStringList variants{word};
    for (const auto& [pair, ligature] : {std::pair{u"oe", u"œ"}, std::pair{u"ae", u"æ"}}) {
        QStringList more;
        for (const QString& v : std::as_const(variants))
            if (v.contains(QStringView(pair)))
                more << QString(v).replace(QStringView(pair).toString(), QStringView(ligature).toString());
        variants << more;
    }
    return variants;
}

QString escapedHtml(const QString& text)
{
    QString html = text.toHtmlEscaped();
    html.replace(kOpen, QStringLiteral("<b>"));
    html.replace(kClose, QStringLiteral("</b>"));
    return html;
}

} // namespace

QString kindLabel(Kind kind)
{
    switch (kind) {
    case Kind::Identity:
        return QStringLiteral("Identité");
    case Kind::History:
        return QStringLiteral("Antécédents");
    case Kind::Custom:
        return QStringLiteral("Personnalisé");
    case Kind::Consultation:
        return QStringLiteral("Acte");
    case Kind::Purchase:
        return QStringLiteral("Médicament");
    case Kind::Analysis:
        return QStringLiteral("Analyse");
    case Kind::AnalysisValue:
        return QStringLiteral("Valeur d'analyse");
    case Kind::Vaccination:
        return QStringLiteral("Vaccin");
    case Kind::Picture:
        return QStringLiteral("Document image");
    case Kind::File:
        return QStringLiteral("Fichier");
    case Kind::Event:
        return QStringLiteral("Evénement");
    }
    return {};
}

QStringList words(const QString& typed)
{
    QStringList found;
    QString current;
    const auto flush = [&] {
        if (!current.isEmpty())
            found << std::exchange(current, {});
    };
    for (const QChar c : typed.toLower()) {
        if (c == QChar(0x0153))
            current += QStringLiteral("oe");
        else if (c == QChar(0x00E6))
            current += QStringLiteral("ae");
        else if (c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing)
            current += c;
        else
            flush();
    }
    flush();
    return found;
}

QString matchExpression(const QString& typed)
{
    QStringList terms;
    for (const QString& word : words(typed)) {
        // One letter as a prefix would match most of the index.
        const QString star = word.size() > 1 ? QStringLiteral("*") : QString();
        QStringList variants;
        for (const QString& v : ligatureVariants(word))
            variants << QLatin1Char('"') + v + QLatin1Char('"') + star;
        terms << (variants.size() == 1
                      ? variants.first()
                      : QLatin1Char('(') + variants.join(QStringLiteral(" OR ")) + QLatin1Char(')'));
    }
    return terms.join(QStringLiteral(" AND "));
}

QList<Hit> find(const QString& typed, int limit, const QSqlDatabase& db)
{
    const QString match = matchExpression(typed);
    if (match.isEmpty())
        return {};
    const QSqlDatabase records = db.isValid() ? db : Connection::database();
    SearchIndex::catchUp(records);
    QSqlQuery query(records);
    query.setForwardOnly(true);
    const auto run = [&query] {
        if (!query.exec())
            throw DatabaseError(QStringLiteral("La recherche n'a pas pu être faite :\r%1")
                                    .arg(Connection::errorText(query.lastError())));
    };
    // Ranking reads every entry found; past kRankedEntries (a word of tens
    // of thousands of acts) it would outlast a keystroke without changing
    // what the first lines say, so it then ranks the kRankedEntries highest
    // rowids: documents and events first, then the newest rows.
    query.prepare(QStringLiteral("SELECT rowid FROM SEARCH_INDEX WHERE SEARCH_INDEX MATCH ? "
                                 "ORDER BY rowid DESC LIMIT 1 OFFSET ?"));
    query.addBindValue(match);
    query.addBindValue(kRankedEntries - 1);
    run();
    const qint64 lowest = query.next() ? query.value(0).toLongLong() : 0;
    // The inner query lets FTS5 sort by rank itself, so the snippets are
    // made for the rows returned only.
    query.prepare(
        QStringLiteral("SELECT h.Entry, h.Person, h.Date, h.Target, h.Snippet, p.Name, p.ForeName FROM "
                       "(SELECT rowid AS Entry, Person, Date, Target, rank, "
                       "snippet(SEARCH_INDEX, 0, char(2), char(3), '…', 16) AS Snippet "
                       "FROM SEARCH_INDEX WHERE SEARCH_INDEX MATCH ? AND rowid >= ? ORDER BY rank LIMIT ?) h "
                       "JOIN PERSON p ON p.Id = h.Person ORDER BY h.rank"));
    query.addBindValue(match);
    query.addBindValue(lowest);
    query.addBindValue(limit);
    run();
    QList<Hit> hits;
    while (query.next()) {
        Hit hit;
        const qint64 entry = query.value(0).toLongLong();
        hit.kind = static_cast<Kind>(entry / kKindShift);
        hit.personId = query.value(1).toInt();
        hit.date = QDate::fromString(query.value(2).toString().left(10), Qt::ISODate);
        hit.rowId = query.value(3).toInt();
        const QString snippet = query.value(4).toString().simplified();
        hit.snippetHtml = escapedHtml(snippet);
        hit.snippet = QString(snippet).remove(kOpen).remove(kClose);
        hit.personName = (query.value(5).toString() + QLatin1Char(' ') + query.value(6).toString()).trimmed();
        hits << hit;
    }
    return hits;
}

} // namespace Search
