#include "ReportSamples.h"

#include "Connection.h"
#include "SqlRows.h"

#include <gtest/gtest.h>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace ReportSamples {
namespace {
qint64 exec(const QString& sql, const QVariantList& values = {})
{
    return SqlRows::exec(sql, values).toLongLong();
}
} // namespace

int addPerson(HouseholdFixture& household, const QString& name, const QString& foreName)
{
    return household.addPerson(name, foreName);
}

void addActs(int personId, int tag, int count, const QString& remark)
{
    const qint64 doctor =
        exec(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category, Convention) VALUES (?, ?, 1)"),
             {QStringLiteral("Dr Martin"), QStringLiteral("Pédiatre")});
    const qint64 pharmacy = exec(QStringLiteral("INSERT INTO LST_PHARMACY (Name) VALUES (?)"),
                                 {QStringLiteral("Pharmacie du Marché")});
    const qint64 illness = exec(QStringLiteral("INSERT INTO LST_ILLNESS (Title) VALUES ('Otite')"));
    const qint64 drug =
        exec(QStringLiteral("INSERT INTO LST_DRUG (Title, Category) VALUES ('Doliprane', 'Antalgique')"));
    Connection::database().transaction();
    for (int i = 0; i < count; ++i) {
        const bool paid = i % 3 == 2;
        exec(QStringLiteral(
                 "INSERT INTO ACTION (Id_Ref, Tag, Id_Org, Id_Illness, Id_Drug, Date_Action, Time_Action, "
                 "Remark1, Price, Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp) "
                 "VALUES (?, ?, ?, ?, ?, ?, '10:30', ?, ?, ?, ?, ?, ?)"),
             {personId, tag, tag == 1 ? doctor : pharmacy, illness, drug,
              QDate(2023, 1, 2).addDays(i).toString(Qt::ISODate), remark, 25.0 + i / 100.0, paid ? 1 : 0,
              paid ? 17.5 : 0.0, paid ? 1 : 0, paid ? 7.5 : 0.0});
    }
    Connection::database().commit();
}

int fillHousehold(HouseholdFixture& household, int acts)
{
    const int id = household.addPerson(QStringLiteral("Dupont-Lefèvre"), QStringLiteral("Élodie"),
                                       QStringLiteral("2 85 07 75 123 456 78"));
    exec(QStringLiteral("UPDATE PERSON SET BirthDay_Date='14/07/2019', BirthDay_City='Besançon', Blood='A+', "
                        "BirthDay_Weight=3.41, BirthDay_Size=50.5, Org_Secu='CPAM de Lyon', "
                        "Org_Comp='Mutuelle des familles', Previous='Allergie à la pénicilline.' WHERE Id=?"),
         {id});
    addActs(id, 1, acts, QStringLiteral("Fièvre, douleur à l'oreille droite"));
    addActs(id, 2, 4, QStringLiteral("Sirop"));
    const qint64 ror = exec(QStringLiteral("SELECT Id FROM LST_VACCINE LIMIT 1"));
    Q_UNUSED(ror);
    const qint64 vaccineRor =
        exec(QStringLiteral("INSERT INTO LST_VACCINE (Title, Category) VALUES ('ROR', 'Rougeole')"));
    const qint64 vaccineTetanus = exec(QStringLiteral("INSERT INTO LST_VACCINE (Title) VALUES ('Tétanos')"));
    exec(QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Vaccine, Date_Vaccine, Repeat_Date, Repeat_Exe) "
                        "VALUES (?, ?, '2020-07-14', '2026-07-14', 1)"),
         {id, vaccineRor});
    exec(QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Vaccine, Date_Vaccine, Repeat_Exe) VALUES (?, ?, "
                        "'2020-09-01', 0)"),
         {id, vaccineTetanus});
    exec(QStringLiteral("INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight, Remark) VALUES (?, '2021-07-14', "
                        "12.5, 'Deux ans')"),
         {id});
    exec(QStringLiteral("INSERT INTO EVENT (Id_Ref, Date_Event, Time_Event, Description) VALUES (?, "
                        "'2022-03-01', '08:00', "
                        "'Varicelle, éruption sur le torse')"),
         {id});
    return id;
}

} // namespace ReportSamples
