// The care pages and lists beside the sqlite3 shell, in the same run and on
// the same file: the "Actes" page of a person with 5 000 acts opened and
// drawn (query reopened, grid model filled, the visible rows painted with
// their pins), and the "Tout" list of unreimbursed acts of one person in a
// household of 10 persons with 20 000 acts each (window made, query opened,
// rows painted). The shell runs the same SELECT; its time is its own
// (".timer": running the statement and writing the rows to a pipe that is
// read to the end), the time with its process started is a counter.
#include "ActPage.h"
#include "BenchSupport.h"
#include "CareRules.h"
#include "Connection.h"
#include "DatasetGrid.h"
#include "DatasetUtils.h"
#include "GridPage.h"
#include "JetDialect.h"
#include "Money.h"
#include "TConsultRepaymentList.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <QPixmap>
#include <QSqlQuery>

namespace {

using BenchSupport::household;
using BenchSupport::run;

constexpr int kPageActs = 5000;
constexpr int kHouseholdPersons = 10;
constexpr int kActsEach = 20000;

int g_pagePerson = 0;
int g_listPerson = 0;

int insertPerson(QSqlQuery& q, const QString& name)
{
    run(q, QStringLiteral("INSERT INTO PERSON (Name) VALUES (?)"), {name});
    return q.lastInsertId().toInt();
}

// Acts in every reimbursement state, a quarter each, with their practitioner and illness.
void insertActs(QSqlQuery& q, int person, int count)
{
    q.prepare(
        QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Date_Action, Time_Action, "
                       "Remark1, Gravity, Price, "
                       "Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp) "
                       "VALUES (?, 1, ?, ?, ?, '10:30', 'Contrôle annuel', 'légère', ?, ?, 17.5, ?, 7.5)"));
    for (int i = 0; i < count; ++i) {
        q.addBindValue(person);
        q.addBindValue(1 + i % 45); // some practitioners are not in the list any more
        q.addBindValue(1 + i % 30);
        q.addBindValue(QDate(1990, 1, 1).addDays(i / 3).toString(QStringLiteral("yyyy-MM-dd")));
        q.addBindValue(25.0 + i % 7);
        q.addBindValue(i % 4 == 1 || i % 4 == 3 ? 1 : 0);
        q.addBindValue(i % 4 >= 2 ? 1 : 0);
        if (!q.exec())
            qFatal("insert of an act failed");
    }
}

void prepare()
{
    BenchSupport::Household& h = household();
    h.open();
    Money::normaliseCurrencySymbol();
    h.dataModule->applyMoneyFormats();
    h.dataModule2->applyMoneyFormats();

    QSqlDatabase db = Connection::database();
    db.transaction();
    QSqlQuery q(db);
    BenchSupport::insertPractitioners(q);
    g_pagePerson = insertPerson(q, QStringLiteral("Durand"));
    insertActs(q, g_pagePerson, kPageActs);
    for (int p = 0; p < kHouseholdPersons; ++p) {
        const int person = insertPerson(q, QStringLiteral("Famille %1").arg(p));
        insertActs(q, person, kActsEach);
        if (p == kHouseholdPersons / 2)
            g_listPerson = person;
    }
    db.commit();
    h.dataModule->Person.open();
}

QString shellSelect(const Dataset& query, const QString& where)
{
    QStringList sql = query.sql();
    sql[DatasetUtils::lineOfKeyword(sql, QStringLiteral("WHERE"))] = where;
    return JetDialect::translate(sql.join(QLatin1Char('\n'))) + QStringLiteral(";\n");
}

void BM_ActsPageOpenAndDraw(benchmark::State& state)
{
    BenchSupport::Household& h = household();
    h.dataModule->Person.locateId(g_pagePerson);
    std::unique_ptr<GridPage> page(
        ActPage::create(*h.dataModule, CareQueries::ActKind::Consultation, nullptr));
    page->resize(1000, 560);
    page->show();
    qint64 pixels = 0;
    for (auto _ : state) {
        page->refreshPage(-1);
        page->refreshCommandStates(true);
        pixels += page->panel()->grid()->viewport()->grab().width();
        if (page->panel()->grid()->model()->rowCount() != kPageActs)
            state.SkipWithError("wrong number of acts");
    }
    benchmark::DoNotOptimize(pixels);
    state.counters["rows"] = page->panel()->grid()->model()->rowCount();
    page->leavePage();
}
BENCHMARK(BM_ActsPageOpenAndDraw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShellSelectActsPage(benchmark::State& state)
{
    const QString select =
        shellSelect(household().dataModule->ConsultQuery,
                    CareRules::pageFilter(CareQueries::ActKind::Consultation).arg(g_pagePerson));
    BenchSupport::timeShell(state, household().config.databaseFile(), select);
}
BENCHMARK(BM_ShellSelectActsPage)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_AllUnreimbursedListOpenAndDraw(benchmark::State& state)
{
    BenchSupport::Household& h = household();
    qint64 rows = 0;
    for (auto _ : state) {
        TConsultRepaymentList window(*h.dataModule2, CareRules::ListScope::All, g_listPerson);
        window.show();
        benchmark::DoNotOptimize(window.panel()->grid()->viewport()->grab().width());
        rows = window.panel()->grid()->model()->rowCount();
        window.done(QDialog::Rejected);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_AllUnreimbursedListOpenAndDraw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShellSelectAllUnreimbursed(benchmark::State& state)
{
    const QString select =
        shellSelect(household().dataModule2->ConsultRepaymentQuery,
                    CareRules::listFilter(CareQueries::ActKind::Consultation, CareRules::ListScope::All)
                        .arg(g_listPerson));
    BenchSupport::timeShell(state, household().config.databaseFile(), select);
}
BENCHMARK(BM_ShellSelectAllUnreimbursed)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    return BenchSupport::runBenchmarks(argc, argv, {.prepare = prepare});
}
