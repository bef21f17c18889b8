#include "Clock.h"
#include "DatasetUtils.h"
#include "Errors.h"
#include "Money.h"
#include "TDataModule1.h"
#include "TDataModule2.h"
#include "TemplateDatabaseTest.h"

#include <memory>
#include <QDir>
#include <QImage>
#include <QSignalSpy>

namespace {

class DataModuleTest : public TemplateDatabaseTest
{
protected:
    void SetUp() override
    {
        TemplateDatabaseTest::SetUp();
        QDir().mkpath(m_config.databaseFolder + QStringLiteral("Images"));
        QDir().mkpath(m_config.databaseFolder + QStringLiteral("Files"));
        m_dm1 = std::make_unique<TDataModule1>(m_config);
        m_dm2 = std::make_unique<TDataModule2>();
    }
    void TearDown() override
    {
        m_dm2.reset();
        m_dm1.reset();
        TemplateDatabaseTest::TearDown();
    }

    static void writeJpeg(const QString& path)
    {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(path, "JPG")) << path.toStdString();
    }

    struct Household
    {
        int person;
        QStringList files;
    };

    // A person with something in every detail table and a stored file for
    // every document, as a user builds one over the years.
    Household addPersonWithRecords(const QString& name)
    {
        Household h;
        h.person = static_cast<int>(exec(QStringLiteral("INSERT INTO PERSON (Name) VALUES (?)"), {name}));
        const QVariantList ref{h.person};
        for (int i = 0; i < 2; ++i) {
            exec(QStringLiteral(
                     "INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (?, '2024-01-0%1', 3.5)")
                     .arg(i + 1),
                 ref);
            exec(QStringLiteral("INSERT INTO [SIZE] (Id_Ref, Date_Size, Size) VALUES (?, '2024-01-01', 50)"),
                 ref);
            exec(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Price) VALUES (?, ?, 25)"),
                 {h.person, i + 1});
            const qint64 followed =
                exec(QStringLiteral(
                         "INSERT INTO L_ANALYSIS (Id_Ref, Id_Analysis, Title) VALUES (?, 1, 'Glycémie')"),
                     ref);
            for (int v = 0; v < 2; ++v)
                exec(QStringLiteral("INSERT INTO ANALYSIS (Id_Ref, Date_Analysis, Value_Analysis) VALUES (?, "
                                    "'2024-02-01', 1.1)"),
                     {followed});
            const qint64 image =
                exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, DoType) VALUES (?, 'Radio', 1)"),
                     ref);
            h.files << m_dm1->documentImageFile(static_cast<int>(image));
            writeJpeg(h.files.last());
        }
        exec(QStringLiteral("INSERT INTO VACCINE (Id_Ref, Date_Vaccine) VALUES (?, '2023-05-01')"), ref);
        exec(QStringLiteral(
                 "INSERT INTO EVENT (Id_Ref, Date_Event, Description) VALUES (?, '2023-05-01', 'Chute')"),
             ref);
        const qint64 file = exec(
            QStringLiteral("INSERT INTO DOCUMENTFILE (Id_Ref, FileName, DoType) VALUES (?, 'ordo.pdf', 1)"),
            ref);
        h.files << m_dm1->documentFile(static_cast<int>(file));
        TestFolders::writeFile(h.files.last(), "MSCF stored attachment");
        h.files << m_dm1->photoFile(h.person);
        writeJpeg(h.files.last());
        return h;
    }

    // Rows that belong to the person, table by table.
    QList<int> rowsOf(int person)
    {
        const QString where = QStringLiteral("WHERE Id_Ref=%1").arg(person);
        QList<int> counts;
        for (const char* table : {"WEIGHT", "[SIZE]", "[ACTION]", "VACCINE", "EVENT", "L_ANALYSIS",
                                  "DOCUMENTIMG", "DOCUMENTFILE"})
            counts << count(QString::fromLatin1(table), where);
        counts << count(
            QStringLiteral("ANALYSIS"),
            QStringLiteral("WHERE Id_Ref IN (SELECT Id FROM L_ANALYSIS WHERE Id_Ref=%1)").arg(person));
        counts << count(QStringLiteral("PERSON"), QStringLiteral("WHERE Id=%1").arg(person));
        return counts;
    }

    std::unique_ptr<TDataModule1> m_dm1;
    std::unique_ptr<TDataModule2> m_dm2;
};

TEST_F(DataModuleTest, DeletingAPersonRemovesAllItsRowsAndFilesAndNothingElse)
{
    const Household victim = addPersonWithRecords(QStringLiteral("Durand"));
    const Household other = addPersonWithRecords(QStringLiteral("Martin"));
    const QList<int> otherRows = rowsOf(other.person);
    ASSERT_EQ(rowsOf(victim.person), otherRows);
    ASSERT_EQ(otherRows, (QList<int>{2, 2, 2, 1, 1, 2, 2, 1, 4, 1}));

    QSignalSpy rebuilds(m_dm1.get(), &TDataModule1::personListRebuildRequested);
    m_dm1->Person.open();
    ASSERT_TRUE(m_dm1->Person.locateId(victim.person));
    m_dm1->deletePerson();

    EXPECT_EQ(rowsOf(victim.person), (QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (const QString& file : victim.files)
        EXPECT_FALSE(TestFolders::exists(file)) << file.toStdString();
    EXPECT_EQ(rowsOf(other.person), otherRows);
    for (const QString& file : other.files)
        EXPECT_TRUE(TestFolders::exists(file)) << file.toStdString();

    ASSERT_EQ(rebuilds.count(), 1);
    EXPECT_EQ(rebuilds.first().first().toInt(), -1);
    EXPECT_EQ(m_dm1->Person.recordCount(), 1);
    EXPECT_EQ(m_dm1->L_Analysis.sql().at(2), QStringLiteral("WHERE L_ANALYSIS.Id_Analysis>-1"));
}

TEST_F(DataModuleTest, ADeletionThatFailsHalfWayLeavesThePersonWholeWithItsFiles)
{
    const Household victim = addPersonWithRecords(QStringLiteral("Durand"));
    const QList<int> rows = rowsOf(victim.person);
    // The last step, the person's own row, is refused after every detail row went.
    exec(QStringLiteral(
        "CREATE TRIGGER keep_person BEFORE DELETE ON PERSON BEGIN SELECT RAISE(ABORT, 'refusé'); END"));
    m_dm1->Person.open();
    ASSERT_TRUE(m_dm1->Person.locateId(victim.person));
    EXPECT_THROW(m_dm1->deletePerson(), DatabaseError);

    EXPECT_EQ(rowsOf(victim.person), rows);
    for (const QString& file : victim.files)
        EXPECT_TRUE(TestFolders::exists(file)) << file.toStdString();
    EXPECT_EQ(m_dm1->Person.field(QStringLiteral("Id")).asInteger(), victim.person);
    EXPECT_EQ(m_dm1->L_Analysis.sql().at(2), QStringLiteral("WHERE L_ANALYSIS.Id_Analysis>-1"));

    exec(QStringLiteral("DROP TRIGGER keep_person"));
    m_dm1->deletePerson();
    EXPECT_EQ(count(QStringLiteral("PERSON")), 0);
}

TEST_F(DataModuleTest, ANewPersonIsSavedBeforeAnythingIsTyped)
{
    m_dm1->Person.open();
    m_dm1->Person.insert();
    EXPECT_EQ(m_dm1->Person.state(), Dataset::State::Edit);
    const int id = m_dm1->Person.field(QStringLiteral("Id")).asInteger();
    EXPECT_GT(id, 0);
    EXPECT_EQ(count(QStringLiteral("PERSON"), QStringLiteral("WHERE Id=%1").arg(id)), 1);
    for (const char* emptied : {"Org_Secu", "Org_Comp", "Previous", "Misc11", "Misc12", "ImgMini1", "Img4"}) {
        const QVariant stored =
            scalar(QStringLiteral("SELECT %1 FROM PERSON WHERE Id=%2").arg(emptied).arg(id));
        EXPECT_FALSE(stored.isNull()) << emptied;
        EXPECT_TRUE(stored.toString().isEmpty()) << emptied;
    }
    m_dm1->Person.cancel();
    EXPECT_EQ(count(QStringLiteral("PERSON")), 1) << "the saved row stays";
}

TEST_F(DataModuleTest, CreatingAPersonRebuildsTheListOnceOnIt)
{
    exec(QStringLiteral("INSERT INTO PERSON (Name) VALUES ('Aubert')"));
    m_dm1->Person.open();
    QSignalSpy saved(m_dm1.get(), &TDataModule1::personSaved);
    QSignalSpy rebuilds(m_dm1.get(), &TDataModule1::personListRebuildRequested);

    const int id = m_dm1->createPerson();
    EXPECT_EQ(saved.count(), 0);
    ASSERT_EQ(rebuilds.count(), 1);
    EXPECT_EQ(rebuilds.first().first().toInt(), id);
    EXPECT_EQ(m_dm1->Person.state(), Dataset::State::Edit);
    EXPECT_EQ(m_dm1->Person.field(QStringLiteral("Id")).asInteger(), id);
    EXPECT_EQ(m_dm1->Person.currentRow(), 0) << "an empty name comes first";
    EXPECT_FALSE(m_dm1->personListSuspended());

    m_dm1->Person.field(QStringLiteral("Name")).setAsString(QStringLiteral("Zidane"));
    m_dm1->Person.post();
    EXPECT_EQ(saved.count(), 1);
    m_dm1->setPersonListSuspended(true);
    m_dm1->Person.edit();
    m_dm1->Person.field(QStringLiteral("ForeName")).setAsString(QStringLiteral("Léa"));
    m_dm1->Person.post();
    EXPECT_EQ(saved.count(), 1);
}

TEST_F(DataModuleTest, PersonChangesAreAnnouncedAndAPendingEditIsSavedAtExit)
{
    for (const char* name : {"Aubert", "Bastien"})
        exec(QStringLiteral("INSERT INTO PERSON (Name) VALUES (?)"), {QString::fromLatin1(name)});
    QSignalSpy changed(m_dm1.get(), &TDataModule1::personChanged);
    m_dm1->Person.open();
    m_dm1->Person.next();
    EXPECT_EQ(changed.count(), 2);

    m_dm1->Person.edit();
    m_dm1->Person.field(QStringLiteral("Blood")).setAsString(QStringLiteral("O+"));
    m_dm1->Weight.open();
    m_dm1->closeAtExit();
    EXPECT_FALSE(m_dm1->Person.isActive());
    EXPECT_FALSE(m_dm1->Weight.isActive());
    EXPECT_EQ(scalar(QStringLiteral("SELECT Blood FROM PERSON WHERE Name='Bastien'")).toString(),
              QStringLiteral("O+"));
}

TEST_F(DataModuleTest, MoneyFieldsReadInTheProcessLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Money::normaliseCurrencySymbol();
    exec(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Price, Price_Repayment, Price_Repayment_Comp, "
                        "Date_Action) VALUES (4, 1, 12.5, 7.5, 2.25, '2024-06-01')"));
    m_dm1->applyMoneyFormats();
    m_dm2->applyMoneyFormats();
    const QString euro = QLatin1Char(' ') + Money::currencySymbol();

    DatasetUtils::replaceWhereLine(m_dm1->ConsultQuery, QStringLiteral("WHERE Tag=1 AND Action.Id_Ref=4"));
    EXPECT_EQ(m_dm1->ConsultQuery.field(QStringLiteral("Price")).displayText(),
              QStringLiteral("12,50") + euro);
    EXPECT_EQ(m_dm1->ConsultQuery.field(QStringLiteral("NoRepayment")).displayText(),
              QStringLiteral("2,75") + euro);
    EXPECT_EQ(m_dm1->ConsultQuery.field(QStringLiteral("Date_Action")).displayText(),
              QStringLiteral("01/06/2024"));
    DatasetUtils::replaceWhereLine(m_dm2->ConsultRepaymentQuery,
                                   QStringLiteral("WHERE Tag=1 AND Action.Id_Ref=4"));
    EXPECT_EQ(m_dm2->ConsultRepaymentQuery.field(QStringLiteral("Price_Repayment")).displayText(),
              QStringLiteral("7,50") + euro);
    m_dm1->Action.open();
    EXPECT_EQ(m_dm1->Action.field(QStringLiteral("Price_Repayment_Comp")).displayText(),
              QStringLiteral("2,25") + euro);
    EXPECT_EQ(Money::normalisedSymbol(QString()), QStringLiteral("€"));
    QLocale::setDefault(previous);
}

TEST_F(DataModuleTest, ActQueriesNameTheirPractitionerAndIllness)
{
    const qint64 doctor =
        exec(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES ('Dr Roux', 'Pédiatre')"));
    const qint64 illness = scalar(QStringLiteral("SELECT min(Id) FROM LST_ILLNESS")).toLongLong();
    exec(QStringLiteral("UPDATE LST_ILLNESS SET Title='Otite', Gravity='' WHERE Id=?"), {illness});
    exec(QStringLiteral(
             "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Price, Date_Action) VALUES (3, 1, ?, "
             "?, 30, '2024-02-01')"),
         {doctor, illness});
    exec(QStringLiteral(
        "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Illness, Date_Action) VALUES (3, 1, 999, 999, "
        "'2024-03-01')"));
    Dataset& acts = m_dm1->ConsultQuery;
    DatasetUtils::replaceWhereLine(acts, QStringLiteral("WHERE Tag=1 AND Action.Id_Ref=3"));
    ASSERT_EQ(acts.recordCount(), 2);
    EXPECT_EQ(acts.field(QStringLiteral("Doctor")).asString(), QStringLiteral("Dr Roux (Pédiatre)"));
    EXPECT_EQ(acts.field(QStringLiteral("Illness")).asString(), QStringLiteral("Otite"));
    EXPECT_EQ(acts.field(QStringLiteral("NoRepayment")).asDouble(), 0.0) << "no reimbursement typed yet";
    acts.next();
    EXPECT_EQ(acts.field(QStringLiteral("Doctor")).asString(), QString()) << "deleted practitioner";
    EXPECT_EQ(acts.field(QStringLiteral("Illness")).asString(), QString());
}

TEST_F(DataModuleTest, DeletingDocumentsAndAnalysesTakesTheirFilesAndValues)
{
    const Household h = addPersonWithRecords(QStringLiteral("Durand"));
    DatasetUtils::replaceWhereLine(
        m_dm1->DocumentImg,
        QStringLiteral("WHERE DocumentImg.DoType=1 and DocumentImg.Id_Ref=%1").arg(h.person));
    ASSERT_EQ(m_dm1->DocumentImg.recordCount(), 2);
    const QString first =
        m_dm1->documentImageFile(m_dm1->DocumentImg.field(QStringLiteral("Id")).asInteger());
    m_dm1->DocumentImg.remove();
    EXPECT_FALSE(TestFolders::exists(first));
    EXPECT_TRUE(TestFolders::exists(h.files.at(1)));

    DatasetUtils::replaceWhereLine(m_dm1->L_Analysis,
                                   QStringLiteral("WHERE L_Analysis.Id_Ref=%1").arg(h.person));
    const int analysis = m_dm1->L_Analysis.field(QStringLiteral("Id")).asInteger();
    m_dm1->L_Analysis.remove();
    EXPECT_EQ(count(QStringLiteral("ANALYSIS"), QStringLiteral("WHERE Id_Ref=%1").arg(analysis)), 0);
    EXPECT_EQ(count(QStringLiteral("ANALYSIS")), 2);
}

TEST_F(DataModuleTest, ANewActBelongsToTheCurrentPersonAndIsDatedToday)
{
    Clock::setFixed(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
    const qint64 person = exec(QStringLiteral("INSERT INTO PERSON (Name) VALUES ('Aubert')"));
    m_dm1->Person.open();
    m_dm1->Action.open();
    m_dm1->Action.append();
    m_dm1->Action.field(QStringLiteral("Tag")).setAsInteger(1);
    m_dm1->Action.post();
    Clock::setFixed({});
    const Dataset& act = m_dm1->Action;
    EXPECT_EQ(act.field(QStringLiteral("Id_Ref")).asInteger(), person);
    EXPECT_EQ(act.field(QStringLiteral("Date_Action")).asDate(), QDate(2026, 12, 8));
    EXPECT_FALSE(act.field(QStringLiteral("Repayment")).asBoolean());
    EXPECT_EQ(act.field(QStringLiteral("Price_Repayment")).asString(), QStringLiteral("0"));
    EXPECT_TRUE(act.field(QStringLiteral("Price")).isNull());
    EXPECT_EQ(act.field(QStringLiteral("NoRepayment")).asDouble(), 0.0);
}

TEST_F(DataModuleTest, EveryQueryOpensOnTheTemplate)
{
    for (const QObject* module : {static_cast<QObject*>(m_dm1.get()), static_cast<QObject*>(m_dm2.get())})
        for (Dataset* d : module->findChildren<Dataset*>(Qt::FindDirectChildrenOnly)) {
            if (d == &m_dm1->Query)
                continue;
            EXPECT_NO_THROW(d->open()) << d->name().toStdString();
            d->close();
        }
}

} // namespace
