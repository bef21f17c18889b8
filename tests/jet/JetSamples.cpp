#include "JetSamples.h"

#include "JetHousehold.h"
#include "OlderLayout.h"
#include "TestFolders.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <stdexcept>

namespace JetSamples {
namespace {

void exec(QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw std::runtime_error((sql + QStringLiteral(" : ") + q.lastError().text()).toStdString());
}

void addRows(const QString& path, bool current)
{
    const QString name = QStringLiteral("jet-samples");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        const QVariant null;
        if (current) {
            exec(db, QStringLiteral(
                         "INSERT INTO PERSON (Id_File, Name, ForeName, BirthDay_Date, WeightMode, SizeMode, "
                         "AnalysisMode) VALUES (0, 'Durand', 'Élise', '14/02/1983', 1, 1, 1)"));
            // Their pictures and attached files lie beside the database, in Images/ and Files/.
            exec(db, QStringLiteral("INSERT INTO DOCUMENTIMG (Id, Id_File, Id_Ref, Title, DoType) VALUES "
                                    "(1, 0, 1, 'Radio du genou', 1)"));
            exec(db, QStringLiteral(
                         "INSERT INTO DOCUMENTFILE (Id, Id_File, Id_Ref, Title, FileName, DoType) VALUES "
                         "(3, 0, 1, 'Ordonnance', 'ordonnance.pdf', 1)"));
        }
        exec(
            db,
            QStringLiteral(
                "INSERT INTO PERSON (Id_File, Name, ForeName, BirthDay_Date, BirthDay_Weight, Previous, "
                "Org_Secu, Org_Comp, Misc01, WeightMode, SizeMode) VALUES (0, ?, ?, ?, ?, ?, ?, ?, ?, 1, 1)"),
            {QStringLiteral("Cœur-de-Lion"), QStringLiteral("Zoé"), QStringLiteral("  /  /    "),
             3.14159265358979, longText(9000), longText(1500), QStringLiteral("Caisse € n°12"), null});
        exec(db,
             QStringLiteral(
                 "INSERT INTO ACTION (Id_File, Id_Ref, Tag, Id_Org, Date_Action, Time_Action, Remark1, "
                 "Price, Repayment, Date_Repayment, Price_Repayment) VALUES (0, 1, 1, 1, ?, ?, ?, ?, 1, ?, "
                 "?)"),
             {QStringLiteral("1898-03-14"), QStringLiteral("08:05"),
              QStringLiteral("Vaccin de l'arrière-grand-mère : œdème, 5 €"), 12.3456,
              QStringLiteral("1899-12-29"), null});
        exec(db,
             QStringLiteral("INSERT INTO ACTION (Id_File, Id_Ref, Tag, Date_Action, Price, Repayment) VALUES "
                            "(0, 2, 2, '2024-02-29', -0.0001, 0)"));
        exec(db,
             QStringLiteral("INSERT INTO EVENT (Id_File, Id_Ref, Date_Event, Time_Event, Description) VALUES "
                            "(0, 2, '2020-05-06 14:30:15', '14:30', 'Fête de l''école')"));
        exec(db, QStringLiteral("INSERT INTO WEIGHT (Id_File, Id_Ref, Date_Weight, Weight, Remark) VALUES "
                                "(0, 2, '1900-01-01', 0.1, NULL)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QString longText(int characters)
{
    const QString pattern =
        QStringLiteral("Antécédents : rougeole à 3 ans, œdème de Quincke, 25 € de franchise. ");
    QString text;
    while (text.size() < characters)
        text += pattern;
    return text.left(characters);
}

void olderHousehold(const QString& sqlitePath)
{
    OlderLayout::create(sqlitePath);
    addRows(sqlitePath, false);
}

void currentHousehold(const QString& sqlitePath)
{
    TestFolders::copyTemplate(sqlitePath);
    JetHousehold::toWindowsLayout(sqlitePath);
    addRows(sqlitePath, true);
}

} // namespace JetSamples
