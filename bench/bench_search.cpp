// The search over a large household: 10 000 persons, 1 000 000 acts and
// purchases, 20 000 picture documents with about 120 recognised words each.
// - building the index from scratch over those rows (as the update script
//   does), once;
// - the first 50 results of a search, best first with their snippets,
//   beside the sqlite3 shell scanning the same columns with LIKE '%…%'
//   (its times include starting its process);
// - the first search after 1, 100 or 1 000 acts were entered, which writes
//   their entries before it reads;
// - entering an act as the entry window does (one row posted in its own
//   transaction, synced), alone and with the page's query reopened, with
//   the index's triggers and without them (twice over, interleaved, since
//   the disk's sync times wander).
#include "BenchSupport.h"
#include "Connection.h"
#include "Dataset.h"
#include "SearchIndex.h"
#include "SearchQuery.h"

#include <benchmark/benchmark.h>
#include <QDate>
#include <QRandomGenerator>
#include <QSqlQuery>

namespace {

using BenchSupport::household;
using BenchSupport::run;

constexpr int kPersons = 10000;
constexpr int kActs = 1000000;
constexpr int kDocuments = 20000;
constexpr int kDocumentWords = 120;

const QStringList kWords{
    QStringLiteral("contrôle"),    QStringLiteral("douleur"),    QStringLiteral("fièvre"),
    QStringLiteral("toux"),        QStringLiteral("angine"),     QStringLiteral("otite"),
    QStringLiteral("bilan"),       QStringLiteral("sanguin"),    QStringLiteral("radio"),
    QStringLiteral("genou"),       QStringLiteral("épaule"),     QStringLiteral("vaccin"),
    QStringLiteral("rappel"),      QStringLiteral("ordonnance"), QStringLiteral("comprimé"),
    QStringLiteral("gélule"),      QStringLiteral("matin"),      QStringLiteral("soir"),
    QStringLiteral("semaine"),     QStringLiteral("traitement"), QStringLiteral("allergie"),
    QStringLiteral("eczéma"),      QStringLiteral("asthme"),     QStringLiteral("cœur"),
    QStringLiteral("tension"),     QStringLiteral("artérielle"), QStringLiteral("suivi"),
    QStringLiteral("examen"),      QStringLiteral("résultat"),   QStringLiteral("normal"),
    QStringLiteral("léger"),       QStringLiteral("grippe"),     QStringLiteral("entorse"),
    QStringLiteral("cheville"),    QStringLiteral("plâtre"),     QStringLiteral("kiné"),
    QStringLiteral("séance"),      QStringLiteral("migraine"),   QStringLiteral("sommeil"),
    QStringLiteral("fatigue"),     QStringLiteral("peau"),       QStringLiteral("dent"),
    QStringLiteral("carie"),       QStringLiteral("lunettes"),   QStringLiteral("vue"),
    QStringLiteral("oreille"),     QStringLiteral("gorge"),      QStringLiteral("nez"),
    QStringLiteral("analyse"),     QStringLiteral("urine"),      QStringLiteral("glycémie"),
    QStringLiteral("cholestérol"), QStringLiteral("poids"),      QStringLiteral("taille"),
    QStringLiteral("croissance"),  QStringLiteral("nourrisson"), QStringLiteral("pédiatre"),
    QStringLiteral("hôpital"),     QStringLiteral("urgence"),    QStringLiteral("œdème")};
// Rare words, a few hundred rows each.
const QStringList kRareWords{QStringLiteral("zona"), QStringLiteral("Amoxicilline"),
                             QStringLiteral("scoliose"), QStringLiteral("varicelle")};

QString phrase(QRandomGenerator& random, int words)
{
    QStringList chosen;
    for (int i = 0; i < words; ++i)
        chosen << kWords.at(random.bounded(kWords.size()));
    if (random.bounded(2000) == 0)
        chosen << kRareWords.at(random.bounded(kRareWords.size()));
    return chosen.join(u' ');
}

QStringList indexObjects(const char* type)
{
    QSqlQuery q(Connection::database());
    run(q,
        QStringLiteral("SELECT name FROM sqlite_master WHERE type = ? AND (name LIKE 'SEARCH%' OR name = "
                       "'DOCUMENT_WITHOUT_TEXT')"),
        {QString::fromLatin1(type)});
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

void prepare()
{
    household().open();
    // The rows go in without the index, which the first benchmark builds.
    SearchIndex::remove(Connection::database());
    QRandomGenerator random(27);
    QSqlDatabase db = Connection::database();
    db.transaction();
    QSqlQuery q(db);
    BenchSupport::insertPractitioners(q);
    run(q,
        QStringLiteral("UPDATE LST_DOCTOR SET Category = 'Dermatologue', City = 'Tours' WHERE Id % 10 = 3"));
    q.prepare(QStringLiteral("INSERT INTO PERSON (Name, ForeName, Previous) VALUES (?, ?, ?)"));
    for (int p = 0; p < kPersons; ++p) {
        q.addBindValue(QStringLiteral("Famille%1").arg(p / 4));
        q.addBindValue(QStringLiteral("Prénom%1").arg(p));
        q.addBindValue(phrase(random, 8));
        if (!q.exec())
            qFatal("person");
    }
    q.prepare(QStringLiteral(
        "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Id_Drug, Date_Action, Remark1, "
        "Remark2, Price) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 25)"));
    for (int a = 0; a < kActs; ++a) {
        const bool purchase = a % 3 == 2;
        q.addBindValue(1 + a % kPersons);
        q.addBindValue(purchase ? 2 : 1);
        q.addBindValue(1 + a % 40);
        q.addBindValue(1 + a % 19);
        q.addBindValue(1 + a % 5);
        q.addBindValue(QDate(1995, 1, 1).addDays(a % 11000).toString(Qt::ISODate));
        q.addBindValue(phrase(random, 4));
        q.addBindValue(a % 4 == 0 ? phrase(random, 6) : QString());
        if (!q.exec())
            qFatal("act");
    }
    QSqlQuery text(db);
    text.prepare(
        QStringLiteral("INSERT INTO DOCUMENTTEXT (Id_Document, DoKind, Content, State) VALUES (?, 1, ?, 1)"));
    q.prepare(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, DoType) VALUES (?, ?, 1)"));
    for (int d = 0; d < kDocuments; ++d) {
        q.addBindValue(1 + d % kPersons);
        q.addBindValue(QStringLiteral("Ordonnance %1").arg(d));
        if (!q.exec())
            qFatal("document");
        text.addBindValue(q.lastInsertId());
        text.addBindValue(phrase(random, kDocumentWords));
        if (!text.exec())
            qFatal("text");
    }
    db.commit();
}

void ensureIndex()
{
    if (!SearchIndex::isInstalled(Connection::database()))
        SearchIndex::install();
}

void BM_BuildIndexFromScratch(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        SearchIndex::remove(Connection::database());
        state.ResumeTiming();
        SearchIndex::install();
    }
    QSqlQuery q(Connection::database());
    run(q, QStringLiteral("SELECT count(*) FROM SEARCH_INDEX"));
    q.next();
    state.counters["entries"] = q.value(0).toDouble();
}
BENCHMARK(BM_BuildIndexFromScratch)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

const QStringList kQueries{QStringLiteral("amox"), QStringLiteral("dermato tours"),
                           QStringLiteral("oedeme cheville"), QStringLiteral("zona"),
                           QStringLiteral("fievre")};

void BM_SearchFirstResults(benchmark::State& state)
{
    ensureIndex();
    const QString typed = kQueries.at(state.range(0));
    state.SetLabel(typed.toStdString());
    qsizetype hits = 0;
    for (auto _ : state)
        hits = Search::find(typed, 50).size();
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_SearchFirstResults)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first search after acts were entered, which writes their entries
// first: the index's part of entering them, paid once for all of them.
void BM_SearchAfterActsEntered(benchmark::State& state)
{
    ensureIndex();
    const int entered = static_cast<int>(state.range(0));
    QRandomGenerator random(5);
    QSqlQuery q(Connection::database());
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < entered; ++i)
            run(q,
                QStringLiteral(
                    "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Date_Action, Remark1) VALUES (?, 1, 3, "
                    "'2026-04-02', ?)"),
                {1 + random.bounded(kPersons), phrase(random, 5)});
        state.ResumeTiming();
        benchmark::DoNotOptimize(Search::find(QStringLiteral("fievre"), 50));
    }
}
BENCHMARK(BM_SearchAfterActsEntered)
    ->Arg(1)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same columns scanned by the shell, the first 50 rows that hold the
// first word (LIKE cannot rank, fold accents nor take the words in any order).
void BM_ShellLikeScan(benchmark::State& state)
{
    ensureIndex();
    const QString word = kQueries.at(state.range(0)).split(u' ').first();
    state.SetLabel(word.toStdString());
    const QString like = QStringLiteral("'%") + word + QStringLiteral("%'");
    const QString sql =
        QStringLiteral(
            "SELECT p.Name, a.Date_Action, a.Remark1 FROM \"ACTION\" a JOIN PERSON p ON p.Id = a.Id_Ref "
            "LEFT JOIN LST_DOCTOR d ON d.Id = a.Id_Org LEFT JOIN LST_DRUG g ON g.Id = a.Id_Drug "
            "LEFT JOIN LST_ILLNESS i ON i.Id = a.Id_Illness WHERE a.Remark1 LIKE %1 OR a.Remark2 LIKE %1 "
            "OR d.Name LIKE %1 OR d.Category LIKE %1 OR d.City LIKE %1 OR g.Title LIKE %1 OR i.Title "
            "LIKE %1 UNION ALL SELECT p.Name, '', substr(t.Content, 1, 80) FROM DOCUMENTTEXT t JOIN "
            "DOCUMENTIMG g ON g.Id = t.Id_Document JOIN PERSON p ON p.Id = g.Id_Ref WHERE t.Content "
            "LIKE %1 OR g.Title LIKE %1 UNION ALL SELECT Name, '', ForeName FROM PERSON WHERE Name LIKE "
            "%1 OR ForeName LIKE %1 OR Previous LIKE %1 LIMIT 50;\n")
            .arg(like);
    const QString file = household().config.databaseFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(BenchSupport::sqliteShell(file, sql));
}
BENCHMARK(BM_ShellLikeScan)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

// One act posted through a dataset in its own transaction, as the
// consultation window does, then (second argument 1) the "Actes" page's
// query reopened for the person, as the page does after Ok; first argument
// 1 with the index's triggers, 0 without.
void BM_EnterAct(benchmark::State& state)
{
    ensureIndex();
    const bool indexed = state.range(0) == 1;
    const bool withPage = state.range(1) == 1;
    QSqlQuery q(Connection::database());
    QStringList triggers;
    if (!indexed) {
        for (const QString& statement : SearchIndex::statements())
            if (statement.startsWith(QLatin1String("CREATE TRIGGER")))
                triggers << statement;
        for (const QString& name : indexObjects("trigger"))
            run(q, QStringLiteral("DROP TRIGGER \"%1\"").arg(name));
    }
    Dataset act(QStringLiteral("Action"));
    act.setSql(QStringLiteral("SELECT * FROM [ACTION]\nWHERE [ACTION].Id=-1"));
    act.open();
    Dataset& page = household().dataModule->ConsultQuery;
    QRandomGenerator random(3);
    for (auto _ : state) {
        const int person = 1 + random.bounded(kPersons);
        act.insert();
        act.field(QStringLiteral("Id_Ref")).setAsInteger(person);
        act.field(QStringLiteral("Tag")).setAsInteger(1);
        act.field(QStringLiteral("Id_Org")).setAsInteger(3);
        act.field(QStringLiteral("Date_Action")).setAsDate(QDate(2026, 4, 2));
        act.field(QStringLiteral("Remark1")).setAsString(phrase(random, 5));
        act.post();
        if (withPage) {
            page.close();
            page.setWhereLine(QStringLiteral("WHERE Tag=1 AND Action.Id_Ref=%1").arg(person));
            page.open();
        }
    }
    page.close();
    act.close();
    for (const QString& statement : triggers)
        run(q, statement);
}
BENCHMARK(BM_EnterAct)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(3);

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv, {prepare, nullptr, BenchSupport::Application::Core});
}
