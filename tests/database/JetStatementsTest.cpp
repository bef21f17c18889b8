// The program's statements are written in the Jet dialect; every one of them
// goes through the translator and runs on a copy of the template database
// holding two persons, so a statement SQLite cannot read, or reads with
// another meaning, shows up here.
#include "Connection.h"
#include "Errors.h"
#include "JetDialect.h"
#include "Schema.h"
#include "TemplateDatabaseTest.h"

#include <gtest/gtest.h>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString jet(const char* text)
{
    return QString::fromUtf8(text);
}

class TemplateDatabase : public TemplateDatabaseTest
{
protected:
    // Runs a statement as SQLite reads it (no translation).
    static void native(const QString& sql)
    {
        QSqlQuery q(Connection::database());
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << "\n" << q.lastError().text().toStdString();
    }

    // Translates and runs a Jet statement; the rows it returns, or for a
    // statement without rows the rows it changed.
    static int run(const QString& statement, QSqlQuery* kept = nullptr)
    {
        const QString sql = JetDialect::translate(statement);
        QSqlQuery q(Connection::database());
        if (!q.exec(sql)) {
            ADD_FAILURE() << statement.toStdString() << "\nas " << sql.toStdString() << "\n"
                          << q.lastError().text().toStdString();
            return -2;
        }
        int rows = 0;
        if (q.isSelect()) {
            while (q.next())
                ++rows;
        } else {
            rows = q.numRowsAffected();
        }
        if (kept) {
            q.first();
            *kept = q;
        }
        return rows;
    }

    static QVariant value(const QString& statement, int column = 0)
    {
        QSqlQuery q(Connection::database());
        EXPECT_TRUE(q.exec(JetDialect::translate(statement))) << q.lastError().text().toStdString();
        return q.next() ? q.value(column) : QVariant();
    }
};

// Person 1 has acts of both kinds in 2023 and 2024 (one fully reimbursed, one
// owing the Sécurité sociale, one purchase owing the complementary insurer,
// one whose practitioner was deleted), two injections of the same vaccine,
// measures, a followed analysis with values, events and documents. Person 2
// has one of most, so that a filter that forgets the person is seen.
class ProgramStatements : public TemplateDatabase
{
protected:
    void SetUp() override
    {
        TemplateDatabase::SetUp();
        for (const char* sql : {
                 "INSERT INTO PERSON (Id, Name, ForeName, [No]) VALUES (1, 'Martin', 'Léa', '2 90 01 75 123 "
                 "456 78'), "
                 "(2, 'Durand', 'Paul', '')",
                 "INSERT INTO LST_DOCTOR (Id, Name, Category, Convention) VALUES (1, 'Bernard', 'Pédiatre', "
                 "1)",
                 "INSERT INTO LST_PHARMACY (Id, Name, Category) VALUES (1, 'Pharmacie du Centre', '')",
                 "INSERT INTO LST_ILLNESS (Id, Title, Gravity) VALUES (901, 'Otite', 'Bénigne')",
                 "INSERT INTO LST_DRUG (Id, Title, Category) VALUES (901, 'Paracétamol', 'Antalgique')",
                 "INSERT INTO LST_VACCINE (Id, Title, Category) VALUES (901, 'Essai', 'Obligatoire')",
                 "INSERT INTO LST_ANALYSIS (Id, Title, Unit, Decimal) VALUES (901, 'Glycémie', 'g/L', 2)",
                 "INSERT INTO [ACTION] (Id, Id_Ref, Tag, Id_Org, Id_Illness, Id_Drug, Date_Action, "
                 "Time_Action, Price, "
                 "Repayment, Price_Repayment, Repayment_Comp, Price_Repayment_Comp) VALUES "
                 "(1, 1, 1, 1, 901, NULL, '2023-06-10', '10:00', 25, 1, 17.5, 1, 5), "
                 "(2, 1, 1, 1, 901, NULL, '2024-03-05', '09:30', 30, 0, 0, 1, 9), "
                 "(3, 1, 2, 1, NULL, 901, '2024-04-01', '', 12.5, 1, 8, 0, 0), "
                 "(4, 1, 1, 77, 901, NULL, '2024-05-01', '', 10, 0, 0, 0, 0), "
                 "(5, 2, 1, 1, 901, NULL, '2024-02-02', '', 100, 0, 0, 0, 0)",
                 "INSERT INTO VACCINE (Id, Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Repeat_Date, "
                 "Repeat_Exe) VALUES "
                 "(801, 1, 1, 901, '2004-01-01', '2009-01-01', 0), (802, 1, NULL, 901, '2009-01-01', "
                 "'2019-01-01', 1), (803, 2, 1, 901, '2010-01-01', '2020-01-01', 1)",
                 "INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (1, '2024-01-01', 10.5), "
                 "(1, '2024-02-01', 11), (2, '2024-01-01', 70)",
                 "INSERT INTO [SIZE] (Id_Ref, Date_Size, [Size]) VALUES (1, '2024-01-01', 75), (2, "
                 "'2024-01-01', 180)",
                 "INSERT INTO L_ANALYSIS (Id, Id_File, Id_Ref, Id_Analysis, Title) VALUES (501, -1, 1, 901, "
                 "'Glycémie'), (502, -1, 2, 901, 'Glycémie')",
                 "INSERT INTO ANALYSIS (Id_Ref, Date_Analysis, Value_Analysis) VALUES (501, '2024-01-01', "
                 "0.9), "
                 "(501, '2024-02-01', 1.1), (502, '2024-01-01', 1.0)",
                 "INSERT INTO EVENT (Id_Ref, Date_Event, Time_Event, Description) VALUES (1, '2024-01-01', "
                 "'08:00', "
                 "'Chute'), (1, '2024-01-01', '07:00', 'Fièvre'), (2, '2024-01-01', '', 'Rhume')",
                 "INSERT INTO DOCUMENTIMG (Id, Id_File, Id_Ref, Title, DoType) VALUES (601, 0, 1, 'Radio', "
                 "1), "
                 "(602, 0, 2, 'Ordonnance', 1)",
                 "INSERT INTO DOCUMENTFILE (Id, Id_File, Id_Ref, FileName, DoType) VALUES (701, 0, 1, "
                 "'bilan.pdf', 1)",
                 "INSERT INTO BACKUP (DateSav, TimeSav, Description, Path) VALUES ('2024-01-01', '12:00', "
                 "'Sauvegarde', '/tmp/a.bkp')",
             })
            native(QString::fromUtf8(sql));
    }
};

struct Statement
{
    const char* label; // the window or query it belongs to
    QString text;
    int rows; // rows returned, or changed for a statement without rows
};

const QString kConsultColumns = jet(
    "SELECT ACTION.Id, ACTION.Id_Ref, ACTION.Id_Org, ACTION.Id_Illness, ACTION.Date_Action, "
    "ACTION.Time_Action, "
    "ACTION.Remark1, ACTION.Remark2, ACTION.Gravity, ACTION.Price, ACTION.Repayment, ACTION.Price_Repayment, "
    "ACTION.Date_Repayment, ACTION.Repayment_Comp, ACTION.Price_Repayment_Comp, ACTION.Date_Repayment_Comp, "
    "ACTION.Category, ACTION.Duration, ACTION.Repeat, LST_DOCTOR.Name, LST_DOCTOR.Category, "
    "LST_ILLNESS.Title, "
    "LST_ILLNESS.Gravity");
const QString kConsultJoins =
    jet("FROM ([ACTION] LEFT JOIN LST_DOCTOR ON ACTION.Id_Org = LST_DOCTOR.Id) LEFT JOIN "
        "LST_ILLNESS ON ACTION.Id_Illness = LST_ILLNESS.Id");
const QString kPharmacyColumns = jet(
    "SELECT ACTION.Id, ACTION.Id_Ref, ACTION.Id_Org, ACTION.Id_Drug, ACTION.Date_Action, ACTION.Time_Action, "
    "ACTION.Remark1, ACTION.Remark2, ACTION.Gravity, ACTION.Price, ACTION.Repayment, ACTION.Price_Repayment, "
    "ACTION.Date_Repayment, ACTION.Repayment_Comp, ACTION.Price_Repayment_Comp, ACTION.Date_Repayment_Comp, "
    "ACTION.Category, ACTION.Duration, ACTION.Repeat, LST_PHARMACY.Name, LST_PHARMACY.Category, "
    "LST_DRUG.Title, "
    "LST_DRUG.Category");
const QString kPharmacyJoins =
    jet("FROM ([ACTION] LEFT JOIN LST_PHARMACY ON ACTION.Id_Org = LST_PHARMACY.Id) LEFT "
        "JOIN LST_DRUG ON ACTION.Id_Drug = LST_DRUG.Id");
const QString kVaccineColumns =
    jet("SELECT VACCINE.Id, VACCINE.Id_Ref, VACCINE.Id_Org, VACCINE.Id_Vaccine, VACCINE.Date_Vaccine, "
        "VACCINE.Time_Vaccine, VACCINE.Remark1, VACCINE.Repeat_Date, LST_DOCTOR.Name, LST_DOCTOR.Category, "
        "LST_VACCINE.Title, LST_VACCINE.Category");
const QString kVaccineJoins =
    jet("FROM ([VACCINE] LEFT JOIN LST_DOCTOR ON VACCINE.Id_Org = LST_DOCTOR.Id) LEFT JOIN "
        "LST_VACCINE ON VACCINE.Id_Vaccine = LST_VACCINE.Id");
const QString kRepeatVaccineColumns = kVaccineColumns + jet(", VACCINE.Repeat_Exe");
const QString kConsultRepaymentColumns = kConsultColumns + jet(", LST_DOCTOR.Convention");

QString lines(std::initializer_list<QString> parts)
{
    return QStringList(parts).join(QLatin1Char('\n'));
}

const QString kPersonStatement = lines(
    {jet("SELECT Id, Id_File, Name, ForeName, BirthDay_Date, BirthDay_Time, BirthDay_City, BirthDay_Weight, "
         "BirthDay_Size, [No], Blood, Org_Secu, Org_Comp, Previous, WeightMode, SizeMode, AnalysisMode, "
         "Misc01, "
         "Misc02, Misc03, Misc04, Misc05, Misc06, Misc07, Misc08, Misc09, Misc10, Misc11, Misc12, ImgMini1, "
         "Img1, "
         "Img2, Img3, Img4, ImgMini2, ImgMini3, ImgMini4, WeightGraph, SizeGraph, Comment1 as [Color], "
         "Custom00144243 as [Size], Sex"),
     jet("FROM PERSON"), jet("ORDER BY NAME, FORENAME")});

const QString kReportConsult = lines(
    {jet("SELECT ACTION.Id, ACTION.Id_Ref, ACTION.Id_Org, ACTION.Id_Illness, ACTION.Date_Action, "
         "ACTION.Time_Action, "
         "ACTION.Remark1, ACTION.Remark2, ACTION.Gravity, ACTION.Price, ACTION.Category, ACTION.Duration, "
         "ACTION.Repeat, ACTION.Repayment, ACTION.Date_Repayment, ACTION.Price_Repayment, "
         "ACTION.Repayment_Comp, "
         "ACTION.Date_Repayment_Comp, ACTION.Price_Repayment_Comp, LST_DOCTOR.Name as [DoctorName], "
         "LST_DOCTOR.Category as [DoctorCategory], LST_DOCTOR.Convention as [DoctorConvention], "
         "LST_ILLNESS.Title "
         "as [IllnessTitle], LST_ILLNESS.Gravity as [IllnessGravity]"),
     kConsultJoins});
const QString kReportPharmacy = lines(
    {jet("SELECT ACTION.Id, ACTION.Id_Ref, ACTION.Id_Org, ACTION.Id_Drug, ACTION.Date_Action, "
         "ACTION.Time_Action, "
         "ACTION.Remark1, ACTION.Remark2, ACTION.Gravity, ACTION.Price, ACTION.Category, ACTION.Duration, "
         "ACTION.Repeat, ACTION.Repayment, ACTION.Date_Repayment, ACTION.Price_Repayment, "
         "ACTION.Repayment_Comp, "
         "ACTION.Date_Repayment_Comp, ACTION.Price_Repayment_Comp, LST_PHARMACY.Name as [PharmacyName], "
         "LST_PHARMACY.Category as [PharmacyCategory], LST_DRUG.Title as [DrugTitle], LST_DRUG.Category as "
         "[DrugCategory]"),
     kPharmacyJoins});
const QString kReportVaccine = lines(
    {jet("SELECT VACCINE.Id, VACCINE.Id_Ref, VACCINE.Id_Org, VACCINE.Id_Vaccine, VACCINE.Date_Vaccine, "
         "VACCINE.Time_Vaccine, VACCINE.Remark1, VACCINE.Repeat_Date, VACCINE.Repeat_Exe, LST_DOCTOR.Name as "
         "[DoctorName], LST_DOCTOR.Category as [DoctorCategory], LST_VACCINE.Title as [VaccineTitle], "
         "LST_VACCINE.Category as [VaccineCategory]"),
     kVaccineJoins});

const QString kNotReimbursedConsult = jet(
    "WHERE (Action.Repayment=false or Action.Repayment_Comp=false) and Action.Tag=1  AND Action.Id_Ref=1");
const QString kNotReimbursedPharmacy =
    jet("WHERE (Action.Repayment=false or Action.Repayment_Comp=false) and Action.Tag=2 AND Action.Id_Ref=1");
const QString kBoosters = jet("WHERE Vaccine.Repeat_Exe=True AND Vaccine.Id_Ref=1");
const QString kActsOrder = jet("ORDER BY DATE_ACTION, TIME_ACTION");
const QString kVaccinesOrder = jet("ORDER BY DATE_VACCINE, TIME_VACCINE");

// Reads and lookups, in the order of the windows that run them.
std::vector<Statement> readingStatements()
{
    return {
        // version row and the update engine
        {"version read",
         jet("SELECT [VALUE] FROM [OBJECT_VAL_STR] WHERE [ID_CLASS]=-99 AND [ID_ATTRIBUTE]=-99 AND "
             "[USERID]=-99"),
         1},
        {"version write",
         jet("SELECT [VALUE], [ID_CLASS], [ID_ATTRIBUTE], [USERID] FROM [OBJECT_VAL_STR] WHERE "
             "[ID_CLASS]=-99 AND [ID_ATTRIBUTE]=-99 AND [USERID]=-99"),
         1},
        {"IsVersionInBD", jet("SELECT * FROM OBJECT_VAL_STR"), 1},
        {"update guard on columns", jet("SELECT * FROM PERSON"), 2},
        {"update guard TableEmpty", jet("SELECT id FROM L_ANALYSIS"), 2},
        {"update query texts", jet("SELECT Id, Id_Tree, Query FROM SQL_QUERY"), 0},
        {"update statistic texts", jet("SELECT Id, Id_Tree, Query FROM STAT_QUERY"), 0},
        {"update query tree",
         jet("SELECT Id, Id_File, NodeTitle, NodeLevel, NodePos, NodeType FROM SQL_TREE"), 0},
        {"update statistic tree",
         jet("SELECT Id, Id_File, NodeTitle, NodeLevel, NodePos, NodeType FROM STAT_TREE"), 0},
        {"update pictures of documents", jet("SELECT Id, Img FROM DOCUMENTIMG"), 2},
        {"update pictures of persons", jet("SELECT Id, ImgMini1 FROM PERSON"), 2},

        // TDataModule1
        {"Person", kPersonStatement, 2},
        {"Action", lines({jet("SELECT * FROM [ACTION]"), kActsOrder}), 5},
        {"ConsultQuery design", lines({kConsultColumns, kConsultJoins, jet("WHERE ID_REF=-1"), kActsOrder}),
         0},
        {"ConsultQuery",
         lines({kConsultColumns, kConsultJoins, jet("WHERE Tag=1 AND Action.Id_Ref=1"), kActsOrder}), 3},
        {"PharmacyQuery",
         lines({kPharmacyColumns, kPharmacyJoins, jet("WHERE Tag=2 AND Action.Id_Ref=1"), kActsOrder}), 1},
        {"Vaccine", lines({jet("SELECT * FROM VACCINE"), kVaccinesOrder}), 3},
        {"VaccineQuery",
         lines({kVaccineColumns, kVaccineJoins, jet("WHERE Vaccine.Id_Ref=1"),
                jet("ORDER BY VACCINE.Date_Vaccine")}),
         2},
        {"Weight design",
         lines({jet("SELECT * FROM WEIGHT"), jet("WHERE ID_REF=-1"), jet("ORDER BY DATE_WEIGHT")}), 0},
        {"Weight", lines({jet("SELECT * FROM WEIGHT"), jet("WHERE Id_Ref=1"), jet("ORDER BY DATE_WEIGHT")}),
         2},
        {"Size", lines({jet("SELECT * FROM [SIZE]"), jet("WHERE Id_Ref=1"), jet("ORDER BY DATE_SIZE")}), 1},
        {"Lst_Analysis", lines({jet("SELECT * FROM LST_ANALYSIS"), jet("ORDER BY TITLE")}), -1},
        {"L_Analysis design",
         lines({jet("SELECT *"), jet("FROM L_ANALYSIS"), jet("WHERE L_ANALYSIS.Id_Analysis>-1"),
                jet("ORDER BY TITLE")}),
         2},
        {"L_Analysis of a person",
         lines({jet("SELECT *"), jet("FROM L_ANALYSIS"), jet("WHERE L_Analysis.Id_Ref=1"),
                jet("ORDER BY TITLE")}),
         1},
        {"Analysis",
         lines({jet("SELECT * FROM [ANALYSIS]"), jet("WHERE ID_REF=501"), jet("ORDER BY DATE_ANALYSIS")}), 2},
        {"Event",
         lines({jet("SELECT * FROM EVENT"), jet("WHERE Event.Id_Ref=1"),
                jet("ORDER BY DATE_EVENT, TIME_EVENT")}),
         2},
        {"DocumentImg page",
         lines(
             {jet("SELECT * FROM DOCUMENTIMG"), jet("WHERE DocumentImg.DoType=1 and DocumentImg.Id_Ref=1")}),
         1},
        {"DocumentImg one document",
         lines({jet("SELECT * FROM DOCUMENTIMG"), jet("WHERE DocumentImg.DoType=1 and DocumentImg.Id=601")}),
         1},
        {"DocumentImg person deletion",
         lines({jet("SELECT * FROM DOCUMENTIMG"), jet("WHERE DocumentImg.Id_Ref=1")}), 1},
        {"DocumentFile page",
         lines({jet("SELECT * FROM DOCUMENTFILE"),
                jet("WHERE DOCUMENTFILE.DoType=1 AND DOCUMENTFILE.Id_Ref=1")}),
         1},
        {"DocumentFile person deletion",
         lines({jet("SELECT * FROM DOCUMENTFILE"), jet("WHERE DocumentFile.Id_Ref=1")}), 1},
        {"Lst_Doctor", lines({jet("SELECT * FROM LST_DOCTOR"), jet("ORDER BY NAME")}), 1},
        {"TEnterConsult practitioner",
         lines({jet("SELECT * FROM LST_DOCTOR"), jet("WHERE ID=1"), jet("ORDER BY NAME")}), 1},
        {"Lst_Pharmacy", lines({jet("SELECT * FROM LST_PHARMACY"), jet("ORDER BY NAME")}), 1},
        {"TEnterDrugPharmacy pharmacy",
         lines({jet("SELECT * FROM LST_PHARMACY"), jet("WHERE ID=1"), jet("ORDER BY NAME")}), 1},
        {"Lst_Drug", lines({jet("SELECT * FROM LST_DRUG"), jet("ORDER BY TITLE")}), -1},
        {"Lst_Illness", lines({jet("SELECT * FROM LST_ILLNESS"), jet("ORDER BY TITLE")}), -1},
        {"Lst_Vaccine", lines({jet("SELECT * FROM LST_VACCINE"), jet("ORDER BY TITLE")}), -1},
        {"ComboItems", jet("SELECT * FROM COMBOITEMS"), 1},
        {"CustomLabel", jet("SELECT * FROM CUSTOMLAB"), 1},
        {"custom captions", jet("SELECT * FROM CustomLab"), 1},
        {"Backup", jet("SELECT * FROM BACKUP"), 1},
        {"read number", jet("SELECT id FROM L_ANALYSIS Where Id=999"), 0},

        // TDataModule2 and the lists of what is not reimbursed
        {"ConsultRepaymentQuery Tout",
         lines({kConsultRepaymentColumns, kConsultJoins, kNotReimbursedConsult, kActsOrder}), 2},
        {"ConsultRepaymentQuery Sécurité sociale",
         lines({kConsultRepaymentColumns, kConsultJoins,
                jet("WHERE Action.Repayment=false and Action.Tag=1  AND Action.Id_Ref=1"), kActsOrder}),
         2},
        {"ConsultRepaymentQuery Caisse complémentaire",
         lines({kConsultRepaymentColumns, kConsultJoins,
                jet("WHERE Action.Repayment_Comp=false and Action.Tag=1  AND Action.Id_Ref=1"), kActsOrder}),
         1},
        {"PharmacyRepaymentQuery Tout",
         lines({kPharmacyColumns, kPharmacyJoins, kNotReimbursedPharmacy, kActsOrder}), 1},
        {"PharmacyRepaymentQuery Sécurité sociale",
         lines({kPharmacyColumns, kPharmacyJoins,
                jet("WHERE Action.Repayment=false and Action.Tag=2 AND Action.Id_Ref=1"), kActsOrder}),
         0},
        {"PharmacyRepaymentQuery Caisse complémentaire",
         lines({kPharmacyColumns, kPharmacyJoins,
                jet("WHERE Action.Repayment_Comp=false and Action.Tag=2 AND Action.Id_Ref=1"), kActsOrder}),
         1},
        {"RepeatVaccineQuery other injections",
         lines({kRepeatVaccineColumns, kVaccineJoins,
                jet("WHERE Vaccine.Id_Vaccine=901 AND Vaccine.Id_Ref=1 AND Vaccine.Id<>802"),
                kVaccinesOrder}),
         1},
        {"RepeatVaccineQuery boosters",
         lines({kRepeatVaccineColumns, kVaccineJoins, kBoosters, kVaccinesOrder}), 1},

        // main window pages and pickers
        {"person list", jet("SELECT * FROM PERSON ORDER BY NAME, FORENAME"), 2},
        {"photo preview",
         jet("SELECT PERSON.Id as [Id], PERSON.Name as [Title] FROM PERSON WHERE PERSON.Id=1"), 1},
        {"image documents viewer",
         jet("SELECT DOCUMENTIMG.Id as [Id], DOCUMENTIMG.Title as [Title] FROM DOCUMENTIMG "
             "WHERE DOCUMENTIMG.DoType=1 AND DOCUMENTIMG.Id_Ref=1"),
         1},
        {"booster recomputation", jet("SELECT * FROM VACCINE WHERE Vaccine.Id_Ref=1 ORDER BY DATE_VACCINE"),
         2},

        // analyses page
        {"analyses of the person",
         jet("SELECT L_ANALYSIS.Id, LST_ANALYSIS.Title FROM L_ANALYSIS LEFT JOIN LST_ANALYSIS "
             "ON L_ANALYSIS.Id_Analysis = LST_ANALYSIS.Id WHERE L_ANALYSIS.Id_Ref=1 ORDER BY "
             "LST_ANALYSIS.Title"),
         1},
        {"new result range",
         jet("SELECT L_ANALYSIS.Value_Min, L_ANALYSIS.Value_Max FROM L_ANALYSIS WHERE L_ANALYSIS.Id=501"), 1},
        {"TEnterPersonAnalysis title",
         jet("SELECT LST_ANALYSIS.Id, LST_ANALYSIS.Title FROM LST_ANALYSIS WHERE LST_ANALYSIS.Id=901"), 1},
        {"TEnterPersonAnalysis definition", jet("SELECT * FROM LST_ANALYSIS WHERE LST_ANALYSIS.Id=901"), 1},
        {"analyses followed",
         jet("SELECT LST_ANALYSIS.Id, LST_ANALYSIS.Title, L_ANALYSIS.Id_Analysis FROM LST_ANALYSIS "
             "LEFT JOIN L_ANALYSIS ON [LST_ANALYSIS].[Id]=[L_ANALYSIS].[Id_Analysis] WHERE "
             "L_ANALYSIS.Id_Ref=1 ORDER BY LST_ANALYSIS.Title"),
         1},
        {"analyses available",
         jet("SELECT LST_ANALYSIS.Id, LST_ANALYSIS.Title FROM LST_ANALYSIS ORDER BY LST_ANALYSIS.Title"), -1},
        {"first analysis of the person", jet("SELECT id FROM L_ANALYSIS Where Id_Ref=1"), 1},
        {"current analysis",
         jet("SELECT L_ANALYSIS.Id, LST_ANALYSIS.Title, L_ANALYSIS.Decimal, L_ANALYSIS.Unit FROM "
             "L_ANALYSIS LEFT JOIN LST_ANALYSIS ON L_ANALYSIS.Id_Analysis = LST_ANALYSIS.Id WHERE "
             "L_ANALYSIS.Id=501"),
         1},

        // reimbursement synthesis
        {"synthesis year range",
         jet("SELECT "
             "ACTION.Id,ACTION.Id_Ref,ACTION.Id_Org,ACTION.Id_Drug,ACTION.Date_Action,ACTION.Time_Action,"
             "ACTION.Price,ACTION.Repayment,ACTION.Date_Repayment,ACTION.Price_Repayment,ACTION.Repayment_"
             "Comp,"
             "ACTION.Date_Repayment_Comp,ACTION.Price_Repayment_Comp FROM [ACTION] WHERE ACTION.ID_REF=1 "
             "ORDER BY "
             "DATE_ACTION"),
         4},
        {"synthesis acts",
         jet("SELECT Sum([ACTION].[Price]) as [PricePayment],Sum([ACTION].[Price_Repayment_Comp]) + "
             "Sum([ACTION].[Price_Repayment]) as [PriceRepayment] FROM [ACTION] WHERE "
             "[ACTION].TAG=1 AND Year([ACTION].Date_Action)=2024"),
         1},
        {"synthesis purchases",
         jet("SELECT Sum([ACTION].[Price]) as [PricePayment],Sum([ACTION].[Price_Repayment_Comp]) "
             "+ Sum([ACTION].[Price_Repayment]) as [PriceRepayment] FROM [ACTION] WHERE "
             "[ACTION].TAG=2 AND Year([ACTION].Date_Action)=2024"),
         1},

        // HTML health sheet
        {"health sheet weights", jet("SELECT * FROM WEIGHT WHERE Id_Ref=1 ORDER BY DATE_WEIGHT"), 2},
        {"health sheet heights", jet("SELECT * FROM [SIZE] WHERE Id_Ref=1 ORDER BY DATE_SIZE"), 1},
        {"health sheet acts",
         jet("SELECT "
             "ACTION.Id,ACTION.Id_Ref,ACTION.Id_Org,ACTION.Id_Illness,ACTION.Date_Action,ACTION.Time_Action,"
             "ACTION.Remark1,ACTION.Remark2,ACTION.Gravity,ACTION.Price,ACTION.Category,ACTION.Duration,"
             "ACTION.Repeat,ACTION.Repayment,ACTION.Date_Repayment,ACTION.Price_Repayment,ACTION.Repayment_"
             "Comp,"
             "ACTION.Date_Repayment_Comp,ACTION.Price_Repayment_Comp,LST_DOCTOR.Name,LST_DOCTOR.Category,"
             "LST_ILLNESS.Title,LST_ILLNESS.Gravity FROM ([ACTION] LEFT JOIN LST_DOCTOR ON ACTION.Id_Org = "
             "LST_DOCTOR.Id) LEFT JOIN LST_ILLNESS ON ACTION.Id_Illness = LST_ILLNESS.Id WHERE ACTION.TAG=1 "
             "AND "
             "ACTION.ID_REF=1 ORDER BY DATE_ACTION, TIME_ACTION"),
         3},
        {"health sheet purchases",
         jet("SELECT "
             "ACTION.Id,ACTION.Id_Ref,ACTION.Id_Org,ACTION.Id_Drug,ACTION.Date_Action,ACTION.Time_Action,"
             "ACTION.Remark1,ACTION.Remark2,ACTION.Gravity,ACTION.Price,ACTION.Category,ACTION.Duration,"
             "ACTION.Repeat,ACTION.Repayment,ACTION.Date_Repayment,ACTION.Price_Repayment,ACTION.Repayment_"
             "Comp,"
             "ACTION.Date_Repayment_Comp,ACTION.Price_Repayment_Comp,LST_PHARMACY.Name,LST_PHARMACY.Category,"
             "LST_DRUG.Title,LST_DRUG.Category FROM ([ACTION] LEFT JOIN LST_PHARMACY ON ACTION.Id_Org = "
             "LST_PHARMACY.Id) LEFT JOIN LST_DRUG ON ACTION.Id_Drug = LST_DRUG.Id WHERE ACTION.TAG=2 AND "
             "ACTION.ID_REF=1 ORDER BY DATE_ACTION, TIME_ACTION"),
         1},
        {"health sheet vaccines",
         jet("SELECT VACCINE.Id,VACCINE.Id_Ref,VACCINE.Id_Org,VACCINE.Id_Vaccine,VACCINE.Date_Vaccine,"
             "VACCINE.Time_Vaccine,VACCINE.Remark1,VACCINE.Repeat_Date,LST_DOCTOR.Name,LST_DOCTOR.Category,"
             "LST_VACCINE.Title,LST_VACCINE.Category FROM ([VACCINE] LEFT JOIN LST_DOCTOR ON VACCINE.Id_Org "
             "= "
             "LST_DOCTOR.Id) LEFT JOIN LST_VACCINE ON VACCINE.Id_Vaccine = LST_VACCINE.Id WHERE ID_REF=1 "
             "ORDER BY "
             "VACCINE.Date_Vaccine"),
         2},
        {"health sheet events", jet("SELECT * FROM EVENT WHERE Id_Ref=1 ORDER BY DATE_EVENT"), 2},
        {"health sheet file documents", jet("SELECT * FROM DOCUMENTFILE WHERE Id_Ref=1"), 1},
        {"health sheet image documents", jet("SELECT * FROM DOCUMENTIMG WHERE Id_Ref=1"), 1},
        {"HTML acts history",
         lines({kConsultRepaymentColumns, kConsultJoins, jet("WHERE Action.Tag=1 AND Action.Id_Ref=1"),
                kActsOrder}),
         3},
        {"HTML medicines history",
         lines({kPharmacyColumns, kPharmacyJoins, jet("WHERE Action.Tag=2 AND Action.Id_Ref=1"), kActsOrder}),
         1},

        // TDataModuleReport
        {"ReportQueryConsult", lines({kReportConsult, jet("WHERE Tag=1 AND Action.Id_Ref=1"), kActsOrder}),
         3},
        {"ReportQueryConsult reminders", lines({kReportConsult, kNotReimbursedConsult, kActsOrder}), 2},
        {"ReportQueryPharmacy", lines({kReportPharmacy, jet("WHERE Tag=2 AND Action.Id_Ref=1"), kActsOrder}),
         1},
        {"ReportQueryPharmacy reminders", lines({kReportPharmacy, kNotReimbursedPharmacy, kActsOrder}), 1},
        {"ReportQueryVaccine", lines({kReportVaccine, jet("WHERE Vaccine.Id_Ref=1"), kVaccinesOrder}), 2},
        {"ReportQueryVaccine reminders", lines({kReportVaccine, kBoosters, kVaccinesOrder}), 1},
        {"ReportQueryWeight",
         lines({jet("SELECT Id, Id_File, Id_Ref, Date_Weight, Time_Weight, Weight, Remark"),
                jet("FROM WEIGHT"), jet("WHERE Weight.Id_Ref=1"), jet("ORDER BY DATE_WEIGHT")}),
         2},
        {"ReportQueryEvent",
         lines({jet("SELECT Date_Event as [DateEvent], Time_Event as [TimeEvent], Description"),
                jet("FROM EVENT"), jet("WHERE Event.Id_Ref=1"), jet("ORDER BY EVENT.Date_Event")}),
         2},
    };
}

// Changes, run after the reads; the person deletion runs in its own order.
std::vector<Statement> changingStatements()
{
    return {
        {"L_Analysis before delete", jet("DELETE FROM ANALYSIS WHERE ANALYSIS.Id_Ref=501"), 2},
        {"person deletion weights", jet("DELETE FROM Weight WHERE Weight.Id_Ref=1"), 2},
        {"person deletion heights", jet("DELETE FROM [Size] WHERE [Size].Id_Ref=1"), 1},
        {"person deletion acts", jet("DELETE FROM [Action] WHERE Action.Id_Ref=1"), 4},
        {"person deletion vaccinations", jet("DELETE FROM Vaccine WHERE Vaccine.Id_Ref=1"), 2},
        {"person deletion events", jet("DELETE FROM Event WHERE Event.Id_Ref=1"), 2},
        {"backup history purge", jet("DELETE FROM Backup"), 1},
    };
}

TEST_F(ProgramStatements, EveryReadRunsAndSelectsWhatItMeans)
{
    for (const Statement& s : readingStatements()) {
        SCOPED_TRACE(s.label);
        const int rows = run(s.text);
        if (s.rows >= 0)
            EXPECT_EQ(rows, s.rows);
        else
            EXPECT_GT(rows, 0);
    }
}

TEST_F(ProgramStatements, EveryChangeRunsAndTouchesOnlyItsPerson)
{
    for (const Statement& s : changingStatements()) {
        SCOPED_TRACE(s.label);
        EXPECT_EQ(run(s.text), s.rows);
    }
    for (const char* table : {"WEIGHT", "[SIZE]", "[ACTION]", "VACCINE", "EVENT"}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(
            value(QStringLiteral("SELECT count(*) FROM %1 WHERE Id_Ref=2").arg(QLatin1String(table))).toInt(),
            1);
    }
    EXPECT_EQ(value(jet("SELECT count(*) FROM [ANALYSIS] WHERE ID_REF=502")).toInt(), 1);
}

TEST_F(ProgramStatements, SynthesisSumsAddUpTheYearOfEveryPerson)
{
    const QString sums =
        jet("SELECT Sum([ACTION].[Price]) as [PricePayment],Sum([ACTION].[Price_Repayment_Comp]) + "
            "Sum([ACTION].[Price_Repayment]) as [PriceRepayment] FROM [ACTION] WHERE "
            "[ACTION].TAG=%1 AND Year([ACTION].Date_Action)=%2");
    QSqlQuery q(Connection::database());
    ASSERT_TRUE(q.exec(JetDialect::translate(sums.arg(1).arg(2023))));
    ASSERT_TRUE(q.next());
    EXPECT_DOUBLE_EQ(q.value(0).toDouble(), 25.0);
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), 22.5);
    ASSERT_TRUE(q.exec(JetDialect::translate(sums.arg(1).arg(2024))));
    ASSERT_TRUE(q.next());
    EXPECT_DOUBLE_EQ(q.value(0).toDouble(), 140.0) << "both persons' acts of 2024";
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), 9.0);
    ASSERT_TRUE(q.exec(JetDialect::translate(sums.arg(2).arg(2024))));
    ASSERT_TRUE(q.next());
    EXPECT_DOUBLE_EQ(q.value(0).toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), 8.0);
    ASSERT_TRUE(q.exec(JetDialect::translate(sums.arg(1).arg(2022))));
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.value(0).isNull()) << "a year without acts sums to nothing";

    ASSERT_TRUE(q.exec(JetDialect::translate(
        jet("SELECT Year(Date_Action), count(*) FROM [ACTION] GROUP BY Year(Date_Action) ORDER BY 1"))));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).metaType().id(), static_cast<int>(QMetaType::LongLong)) << "years group as numbers";
    EXPECT_EQ(q.value(0).toInt(), 2023);
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 2024);
    EXPECT_EQ(q.value(1).toInt(), 4);
}

TEST_F(ProgramStatements, JoinedListsKeepRowsWhoseReferenceIsGone)
{
    QSqlQuery q(Connection::database());
    EXPECT_EQ(
        run(lines({kConsultColumns, kConsultJoins, jet("WHERE Tag=1 AND Action.Id_Ref=1"), kActsOrder}), &q),
        3);
    // first row: act 1, practitioner and illness joined
    EXPECT_EQ(q.value(19).toString(), QStringLiteral("Bernard"));
    EXPECT_EQ(q.value(21).toString(), QStringLiteral("Otite"));
    ASSERT_TRUE(q.last());
    EXPECT_EQ(q.value(0).toInt(), 4);
    EXPECT_TRUE(q.value(19).isNull()) << "a deleted practitioner leaves an empty name";
    EXPECT_EQ(q.value(21).toString(), QStringLiteral("Otite"));
}

// ---------------------------------------------------------------- translator

QString tr(const char* statement)
{
    return JetDialect::translate(QString::fromUtf8(statement));
}

TEST(JetDialect, StatementsSQLiteReadsAlikePassUnchanged)
{
    for (const QString& s :
         {lines({kConsultColumns, kConsultJoins, jet("WHERE Tag=1 AND Action.Id_Ref=1"), kActsOrder}),
          kPersonStatement, jet("DELETE FROM [Size] WHERE [Size].Id_Ref=7"),
          jet("SELECT LST_ANALYSIS.Id FROM LST_ANALYSIS LEFT JOIN L_ANALYSIS ON "
              "[LST_ANALYSIS].[Id]=[L_ANALYSIS].[Id_Analysis] WHERE L_ANALYSIS.Id_Ref=1"),
          jet("SELECT Sum([ACTION].[Price]) FROM [ACTION] WHERE Vaccine.Id<>802 AND Id>-1"),
          jet("ALTER TABLE [ACTION] DROP COLUMN [Repeat]"), jet("DROP TABLE WORKGROUP"),
          jet("CREATE UNIQUE INDEX IX_T ON [T] ([A] ASC, B DESC)")})
        EXPECT_EQ(JetDialect::translate(s), s);
}

TEST(JetDialect, NothingChangesInsideTextsAndBracketedNames)
{
    EXPECT_EQ(tr("SELECT [True], [a & b], [Year](x) FROM T WHERE c='True & #1/1/2000# Year(d) '' Nz(e)'"),
              jet("SELECT [True], [a & b], [Year](x) FROM T WHERE c='True & #1/1/2000# Year(d) '' Nz(e)'"));
    // For Jet "..." is a text too; SQLite would read it as a column name.
    EXPECT_EQ(tr("SELECT * FROM T WHERE c=\"l'an \"\"2000\"\" & True\""),
              jet("SELECT * FROM T WHERE c='l''an \"2000\" & True'"));
}

TEST(JetDialect, BooleansDatesYearsAndConcatenation)
{
    EXPECT_EQ(tr("WHERE Action.Repayment=false or Repeat_Exe=True AND x=TRUE"),
              jet("WHERE Action.Repayment=0 or Repeat_Exe=1 AND x=1"));
    EXPECT_EQ(tr("WHERE Date_Action>=#5/3/2024# AND Date_Action<#31/12/2024#"),
              jet("WHERE Date_Action>='2024-03-05' AND Date_Action<'2024-12-31'"));
    EXPECT_EQ(tr("WHERE year (Date_Action)=2024"),
              jet("WHERE CAST(strftime('%Y', Date_Action) AS INTEGER)=2024"));
    EXPECT_EQ(tr("SELECT Name & ' (' & Category & ')' AS Label, Year FROM T"),
              jet("SELECT (COALESCE(Name, '') || COALESCE(' (', '') || COALESCE(Category, '') || "
                  "COALESCE(')', '')) "
                  "AS Label, Year FROM T"));
}

TEST_F(TemplateDatabase, ConcatenationReadsLikeJet)
{
    native(QStringLiteral("INSERT INTO PERSON (Name, ForeName) VALUES ('Martin', NULL)"));
    // A missing value is an empty text; '&' binds looser than '+' and tighter than '='.
    EXPECT_EQ(value(jet("SELECT Name & ' ' & ForeName FROM PERSON")).toString(), QStringLiteral("Martin "));
    EXPECT_EQ(value(jet("SELECT 'n' & 1 + 2")).toString(), QStringLiteral("n3"));
    EXPECT_EQ(
        value(jet("SELECT count(*) FROM PERSON WHERE Name & 'X' = 'MartinX' AND (Name & '') <> ''")).toInt(),
        1);
}

TEST_F(TemplateDatabase, ColumnsAddedByScriptsAreDeclaredAsTheSchemaDeclaresThem)
{
    using CT = Schema::ColumnType;
    struct Case
    {
        const char* jetType;
        CT type;
        int size;
    } cases[] = {
        {"TEXT(50)", CT::Text, 50},     {"text", CT::Text, 255},      {"CHAR(10)", CT::Text, 10},
        {"VarChar (20)", CT::Text, 20}, {"MEMO", CT::Memo, 0},        {"LONGTEXT", CT::Memo, 0},
        {"YESNO", CT::YesNo, 0},        {"BIT", CT::YesNo, 0},        {"LOGICAL", CT::YesNo, 0},
        {"CURRENCY", CT::Currency, 0},  {"MONEY", CT::Currency, 0},   {"DATETIME", CT::DateTime, 0},
        {"DATE", CT::DateTime, 0},      {"LONGBINARY", CT::Bytes, 0}, {"OLEOBJECT", CT::Bytes, 0},
        {"IMAGE", CT::Bytes, 0},        {"BINARY(16)", CT::Bytes, 0}, {"SHORT", CT::Short, 0},
        {"SMALLINT", CT::Short, 0},     {"LONG", CT::Long, 0},        {"INTEGER", CT::Long, 0},
        {"INT", CT::Long, 0},           {"DOUBLE", CT::Double, 0},    {"FLOAT", CT::Double, 0},
        {"SINGLE", CT::Single, 0},      {"REAL", CT::Single, 0},      {"BYTE", CT::Byte, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jetType);
        const QString column = QStringLiteral("Added%1").arg(++n);
        // with and without the optional COLUMN word
        run(QStringLiteral("ALTER TABLE [PERSON] ADD %1 [%2] %3")
                .arg(n % 2 ? QStringLiteral("COLUMN") : QString(), column, QLatin1String(c.jetType)));
        QSqlQuery info(Connection::database());
        ASSERT_TRUE(info.exec(
            QStringLiteral("SELECT type FROM pragma_table_info('PERSON') WHERE name='%1'").arg(column)));
        ASSERT_TRUE(info.next());
        const auto declared = Schema::typeFromDeclared(info.value(0).toString(), false);
        ASSERT_TRUE(declared.has_value()) << info.value(0).toString().toStdString();
        EXPECT_EQ(declared->type, c.type);
        EXPECT_EQ(declared->size, c.size);
    }

    // A column dropped and added again by a script is what the template had.
    const Schema::Column* category = Schema::findColumn(QStringLiteral("ACTION"), QStringLiteral("Category"));
    ASSERT_NE(category, nullptr);
    run(jet("ALTER TABLE [ACTION] DROP COLUMN Category"));
    run(jet("alter table [ACTION] add column Category Text(128)"));
    EXPECT_TRUE(value(jet("SELECT sql FROM sqlite_master WHERE name='ACTION'"))
                    .toString()
                    .endsWith(Schema::columnDefinition(*category) + QLatin1Char(')')));
    native(QStringLiteral("INSERT INTO [ACTION] (Category) VALUES ('Visite')"));
    EXPECT_EQ(value(jet("SELECT count(*) FROM [ACTION] WHERE Category='VISITE'")).toInt(), 1)
        << "texts ignore case";
}

TEST_F(TemplateDatabase, ScriptTablesAndIndexesAreCreatedAndDropped)
{
    run(jet("CREATE TABLE [NEW_LIST] (Id COUNTER CONSTRAINT PK_NEW PRIMARY KEY, Title TEXT(128) NOT NULL, "
            "Amount CURRENCY, Done YESNO DEFAULT False, Seen DATETIME DEFAULT #01/02/2003#, Notes MEMO)"));
    run(jet("CREATE INDEX IX_NEW_Title ON NEW_LIST (Title) WITH IGNORE NULL"));
    run(jet("INSERT INTO NEW_LIST (Title, Amount) VALUES ('a', 1.5)"));
    QSqlQuery q(Connection::database());
    EXPECT_EQ(run(jet("SELECT Id, Done, Seen FROM NEW_LIST WHERE Done=False"), &q), 1);
    EXPECT_EQ(q.value(0).toInt(), 1) << "the counter numbers the rows";
    EXPECT_EQ(q.value(2).toString(), QStringLiteral("2003-02-01"));
    const Schema::Column title{QStringLiteral("Title"), Schema::ColumnType::Text, 128};
    EXPECT_TRUE(value(jet("SELECT sql FROM sqlite_master WHERE name='NEW_LIST'"))
                    .toString()
                    .contains(Schema::columnDefinition(title) + QStringLiteral(" NOT NULL")));
    run(jet("CREATE TABLE NEW_CODES (Id AUTOINCREMENT, Code BYTE)"));
    for (const char* table : {"NEW_LIST", "NEW_CODES"}) {
        QSqlQuery key(Connection::database());
        ASSERT_TRUE(key.exec(QStringLiteral("SELECT type, pk FROM pragma_table_info('%1') WHERE name='Id'")
                                 .arg(QLatin1String(table))));
        ASSERT_TRUE(key.next());
        const auto declared = Schema::typeFromDeclared(key.value(0).toString(), key.value(1).toInt() > 0);
        ASSERT_TRUE(declared.has_value());
        EXPECT_EQ(declared->type, Schema::ColumnType::AutoIncrement) << table;
    }
    run(jet("DROP TABLE NEW_LIST"));
    EXPECT_EQ(
        value(jet("SELECT count(*) FROM sqlite_master WHERE name LIKE 'NEW_LIST%' OR name='IX_NEW_Title'"))
            .toInt(),
        0);
}

TEST(JetDialect, WhatCannotBeTranslatedIsRefusedInFrench)
{
    for (const char* statement : {
             "SELECT Nz(Price, 0) FROM [ACTION]",
             "SELECT TOP 5 * FROM PERSON",
             "SELECT DISTINCTROW Name FROM PERSON",
             "SELECT * FROM [ACTION] WHERE Date_Action > Date()",
             "ALTER TABLE PERSON ADD COLUMN Code GUID",
             "ALTER TABLE PERSON ADD COLUMN Code TEXT(300)",
             "ALTER TABLE PERSON ADD COLUMN Code LONG(4)",
             "ALTER TABLE PERSON ALTER COLUMN Name TEXT(200)",
             "ALTER TABLE PERSON ADD CONSTRAINT PK PRIMARY KEY (Id)",
             "ALTER TABLE PERSON ADD COLUMN A TEXT(5), B TEXT(5)",
             "CREATE INDEX IX ON PERSON (Name) WITH PRIMARY",
             "SELECT * FROM [ACTION] WHERE Date_Action = #31/02/2024#",
             "SELECT * FROM [ACTION] WHERE Date_Action = #2024-02-01#",
             "SELECT * FROM PERSON WHERE Name = 'Martin",
             "SELECT * FROM [PERSON WHERE Id=1",
             "SELECT * FROM PERSON WHERE (Id=1",
             "SELECT Name & FROM PERSON",
         }) {
        SCOPED_TRACE(statement);
        try {
            JetDialect::translate(QString::fromUtf8(statement));
            ADD_FAILURE() << "translated";
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("Instruction SQL "))) << e.text().toStdString();
        }
    }
    // A column named like a refused function is still a column.
    EXPECT_EQ(tr("SELECT Month, [Day] FROM T ORDER BY Format"),
              jet("SELECT Month, [Day] FROM T ORDER BY Format"));
}

} // namespace
