#include "Dataset.h"

#include "DatasetValues.h"
#include "Errors.h"
#include "TemplateDatabaseTest.h"

#include <QFile>
#include <QSignalSpy>
#include <QSqlField>
#include <QSqlRecord>

namespace {

class DatasetTest : public TemplateDatabaseTest
{
protected:
    void SetUp() override
    {
        TemplateDatabaseTest::SetUp();
        for (const char* name : {"Dupont", "Martin", "Bernard"})
            exec(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category) VALUES (?, ?)"),
                 {QString::fromLatin1(name), QStringLiteral("Pédiatre")});
    }

    static void openDoctors(Dataset& d)
    {
        d.setSql(QStringList{QStringLiteral("SELECT * FROM LST_DOCTOR"), QStringLiteral("ORDER BY NAME")});
        d.open();
    }

    // An act of person 1; returns its Id.
    static int addAct(const QString& price, const QString& secu, const QString& comp)
    {
        return static_cast<int>(
            exec(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Date_Action, Price, Price_Repayment, "
                                "Price_Repayment_Comp) VALUES (1, 1, '2024-03-05', ?, ?, ?)"),
                 {price.isEmpty() ? QVariant() : QVariant(price.toDouble()),
                  secu.isEmpty() ? QVariant() : QVariant(secu.toDouble()),
                  comp.isEmpty() ? QVariant() : QVariant(comp.toDouble())}));
    }
};

TEST_F(DatasetTest, WalksItsRowsInOrderAndLocatesById)
{
    Dataset d(QStringLiteral("Lst_Doctor"));
    openDoctors(d);
    ASSERT_EQ(d.recordCount(), 3);
    EXPECT_TRUE(d.bof());
    QStringList names;
    for (d.first(); !d.eof(); d.next())
        names << d.field(QStringLiteral("name")).asString();
    EXPECT_EQ(names, (QStringList{"Bernard", "Dupont", "Martin"}));
    EXPECT_EQ(d.currentRow(), 2);

    d.last();
    d.prior();
    EXPECT_EQ(d.field(QStringLiteral("NAME")).asString(), QStringLiteral("Dupont"));
    const int martin = scalar(QStringLiteral("SELECT Id FROM LST_DOCTOR WHERE Name='Martin'")).toInt();
    EXPECT_TRUE(d.locateId(martin));
    EXPECT_EQ(d.field(QStringLiteral("Name")).asString(), QStringLiteral("Martin"));
    EXPECT_FALSE(d.locateId(9999));
    EXPECT_EQ(d.currentRow(), 2);
    EXPECT_THROW(d.field(QStringLiteral("Nope")), DatabaseError);

    const Field kept = d.field(QStringLiteral("Name"));
    d.close();
    EXPECT_EQ(d.recordCount(), 0);
    EXPECT_THROW(d.field(QStringLiteral("Name")), DatabaseError);
    EXPECT_THROW(kept.asString(), DatabaseError);
}

// Found by Id as rows are added, written back and removed around it.
TEST_F(DatasetTest, LocateByIdFollowsRowsAddedChangedAndRemoved)
{
    Dataset d(QStringLiteral("Lst_Doctor"));
    openDoctors(d);
    const auto idOf = [](const char* name) {
        return scalar(QStringLiteral("SELECT Id FROM LST_DOCTOR WHERE Name='%1'").arg(QLatin1String(name)))
            .toInt();
    };
    const auto nameAt = [&d](int id) {
        return d.locateId(id) ? d.field(QStringLiteral("Name")).asString() : QStringLiteral("(none)");
    };
    const int dupont = idOf("Dupont");
    const int martin = idOf("Martin");
    ASSERT_EQ(nameAt(martin), QStringLiteral("Martin"));

    d.first();
    d.append();
    d.field(QStringLiteral("Name")).setAsString(QStringLiteral("Aubert"));
    d.post();
    const int aubert = d.field(QStringLiteral("Id")).asInteger();
    EXPECT_EQ(nameAt(martin), QStringLiteral("Martin"));
    EXPECT_EQ(nameAt(aubert), QStringLiteral("Aubert"));

    ASSERT_TRUE(d.locateId(martin));
    d.edit();
    d.field(QStringLiteral("Name")).setAsString(QStringLiteral("Martin-Roux"));
    d.post();
    EXPECT_EQ(nameAt(dupont), QStringLiteral("Dupont"));
    EXPECT_EQ(nameAt(martin), QStringLiteral("Martin-Roux"));

    ASSERT_TRUE(d.locateId(dupont));
    d.remove();
    EXPECT_EQ(nameAt(dupont), QStringLiteral("(none)"));
    EXPECT_EQ(nameAt(aubert), QStringLiteral("Aubert"));
    EXPECT_EQ(nameAt(martin), QStringLiteral("Martin-Roux"));
    EXPECT_TRUE(d.locate(QStringLiteral("Id"), QVariant(double(aubert))));
    EXPECT_EQ(d.field(QStringLiteral("Name")).asString(), QStringLiteral("Aubert"));
}

TEST_F(DatasetTest, NewRowGetsItsIdOnPostAndChangesGoThroughTheRowid)
{
    Dataset d(QStringLiteral("Lst_Doctor"));
    openDoctors(d);
    d.append();
    EXPECT_EQ(d.state(), Dataset::State::Insert);
    EXPECT_TRUE(d.field(QStringLiteral("Id")).isNull());
    // A value with quotes and a statement in it is stored as typed.
    const QString odd = QStringLiteral("O'Neil\"; DROP TABLE LST_DOCTOR; --");
    d.field(QStringLiteral("Name")).setAsString(odd);
    d.field(QStringLiteral("Convention")).setAsBoolean(true);
    d.post();
    EXPECT_EQ(d.state(), Dataset::State::Browse);
    const int id = d.field(QStringLiteral("Id")).asInteger();
    EXPECT_GT(id, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Name FROM LST_DOCTOR WHERE Id=%1").arg(id)).toString(), odd);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Convention FROM LST_DOCTOR WHERE Id=%1").arg(id)).toInt(), 1);
    EXPECT_EQ(d.recordCount(), 4);

    d.edit();
    d.field(QStringLiteral("Name")).setAsString(QStringLiteral("Petit"));
    d.cancel();
    EXPECT_EQ(d.field(QStringLiteral("Name")).asString(), odd);
    d.edit();
    d.field(QStringLiteral("City")).setAsString(QStringLiteral("Lyon"));
    d.post();
    EXPECT_EQ(scalar(QStringLiteral("SELECT City FROM LST_DOCTOR WHERE Id=%1").arg(id)).toString(),
              QStringLiteral("Lyon"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Name FROM LST_DOCTOR WHERE Id=%1").arg(id)).toString(), odd);

    d.remove();
    EXPECT_EQ(count(QStringLiteral("LST_DOCTOR")), 3);
    EXPECT_EQ(d.recordCount(), 3);
}

TEST_F(DatasetTest, TablesWithoutIdAreUpdatedThroughTheirRowid)
{
    Dataset labels(QStringLiteral("CustomLabel"));
    labels.setSql(QStringLiteral("SELECT * FROM CUSTOMLAB"));
    labels.open();
    labels.edit();
    labels.field(QStringLiteral("Misc03")).setAsString(QStringLiteral("Allergies connues"));
    labels.post();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Misc03 FROM CUSTOMLAB")).toString(),
              QStringLiteral("Allergies connues"));
    EXPECT_EQ(count(QStringLiteral("CUSTOMLAB")), 1);

    Dataset backups(QStringLiteral("Backup"));
    backups.setSql(QStringLiteral("SELECT * FROM BACKUP"));
    backups.open();
    for (const char* description : {"Première", "Seconde"}) {
        backups.append();
        backups.field(QStringLiteral("DateSav")).setAsString(QStringLiteral("08/12/2026"));
        backups.field(QStringLiteral("Description")).setAsString(QString::fromUtf8(description));
        backups.post();
    }
    backups.first();
    backups.remove();
    EXPECT_EQ(count(QStringLiteral("BACKUP")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Description FROM BACKUP")).toString(), QStringLiteral("Seconde"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT DateSav FROM BACKUP")).toString(), QStringLiteral("2026-12-08"));
}

TEST_F(DatasetTest, JoinedStatementsNameTheirColumnsAndAreReadOnly)
{
    const int doctor = scalar(QStringLiteral("SELECT Id FROM LST_DOCTOR WHERE Name='Dupont'")).toInt();
    exec(QStringLiteral(
             "INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Category, Date_Action) VALUES (1, 1, ?, 'act', "
             "'2024-01-02')"),
         {doctor});
    Dataset d(QStringLiteral("ConsultQuery"));
    d.setSql(QStringList{
        QStringLiteral(
            "SELECT ACTION.Id, ACTION.Category, ACTION.Date_Action, LST_DOCTOR.Name, LST_DOCTOR.Category"),
        QStringLiteral("FROM ([ACTION] LEFT JOIN LST_DOCTOR ON ACTION.Id_Org = LST_DOCTOR.Id)"),
        QStringLiteral("WHERE Tag=1 AND Action.Id_Ref=1")});
    d.open();
    ASSERT_EQ(d.recordCount(), 1);
    EXPECT_EQ(d.fieldNames(),
              (QStringList{"Id", "ACTION.Category", "Date_Action", "Name", "LST_DOCTOR.Category"}));
    EXPECT_EQ(d.field(QStringLiteral("Action.Category")).asString(), QStringLiteral("act"));
    EXPECT_EQ(d.field(QStringLiteral("lst_doctor.category")).asString(), QStringLiteral("Pédiatre"));
    EXPECT_EQ(d.field(QStringLiteral("LST_DOCTOR.Name")).asString(), QStringLiteral("Dupont"));
    EXPECT_EQ(d.field(QStringLiteral("Date_Action")).type(), Schema::ColumnType::DateTime);
    EXPECT_EQ(d.field(QStringLiteral("Date_Action")).asString(), QStringLiteral("02/01/2024"));
    EXPECT_FALSE(d.canModify());
    EXPECT_THROW(d.edit(), DatabaseError);
    EXPECT_THROW(d.append(), DatabaseError);
    EXPECT_THROW(d.remove(), DatabaseError);
}

TEST_F(DatasetTest, RefusedValuesKeepTheRowInEditWithWhatWasTyped)
{
    const int act = addAct(QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"));
    Dataset d(QStringLiteral("Action"));
    d.setSql(QStringLiteral("SELECT * FROM [ACTION]"));
    d.open();
    d.setDisplayLabel(QStringLiteral("Date_Action"), QStringLiteral("Date"));

    const struct
    {
        const char* field;
        QString typed;
        const char* says;
    } refused[] = {
        {"Date_Action", QStringLiteral("31/02/2024"),
         "Le champ « Date » n'accepte pas la valeur « 31/02/2024 » : ce n'est "
         "pas une date valide."},
        {"Date_Action", QStringLiteral(" 5/  /2024"), "pas une date valide"},
        {"Time_Action", QStringLiteral("12:305"), "trop long : 6 caractères pour 5 au plus"},
        {"Price", QStringLiteral("12,5x"), "ce n'est pas un nombre"},
        {"Tag", QStringLiteral("1,5"), "ce n'est pas un nombre entier"},
        {"Id_Ref", QStringLiteral("40000"), "comprise entre -32768 et 32767"},
        {"Repayment", QStringLiteral("peut-être"), "Oui ou Non"},
    };
    for (const auto& r : refused) {
        const QString field = QString::fromLatin1(r.field);
        d.edit();
        d.field(field).setAsString(r.typed);
        try {
            d.post();
            ADD_FAILURE() << r.field << " accepted " << r.typed.toStdString();
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(r.says))) << e.text().toStdString();
        }
        EXPECT_EQ(d.state(), Dataset::State::Edit) << r.field;
        EXPECT_EQ(d.field(field).asString(), r.typed) << r.field;
        d.cancel();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT Price FROM [ACTION] WHERE Id=%1").arg(act)).toDouble(), 10.0);

    // Corrected, the same row posts.
    d.edit();
    d.field(QStringLiteral("Date_Action")).setAsString(QStringLiteral("29/02/2024"));
    d.post();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Date_Action FROM [ACTION] WHERE Id=%1").arg(act)).toString(),
              QStringLiteral("2024-02-29"));
}

TEST_F(DatasetTest, TypedNumbersAndDatesAreStoredInTheirColumnForm)
{
    const int act = addAct(QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"));
    Dataset d(QStringLiteral("Action"));
    d.setSql(QStringLiteral("SELECT * FROM [ACTION]"));
    d.open();
    d.edit();
    d.field(QStringLiteral("Price")).setAsString(QStringLiteral("12,50"));
    d.field(QStringLiteral("Price_Repayment")).setAsString(QStringLiteral("3.12345"));
    d.field(QStringLiteral("Date_Action")).setAsString(QStringLiteral(" 5/ 3/2024"));
    d.field(QStringLiteral("Date_Repayment")).setAsString(QStringLiteral("  /  /    "));
    d.field(QStringLiteral("Repayment")).setAsString(QStringLiteral("Oui"));
    // A beginning of Oui or Non is enough.
    d.field(QStringLiteral("Repayment_Comp")).setAsString(QStringLiteral("o"));
    d.field(QStringLiteral("Price_Repayment_Comp")).setAsString(QStringLiteral("999 999,99"));
    d.post();
    const QString where = QStringLiteral(" FROM [ACTION] WHERE Id=%1").arg(act);
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT Price") + where).toDouble(), 12.5);
    // Currency keeps four decimals.
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT Price_Repayment") + where).toDouble(), 3.1235);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Date_Action") + where).toString(), QStringLiteral("2024-03-05"));
    EXPECT_TRUE(scalar(QStringLiteral("SELECT Date_Repayment") + where).isNull());
    EXPECT_EQ(scalar(QStringLiteral("SELECT Repayment") + where).toInt(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Repayment_Comp") + where).toInt(), 1);
    // The amount the database keeps is the one typed, to the last digit.
    EXPECT_EQ(scalar(QStringLiteral("SELECT printf('%.6f', Price_Repayment_Comp)") + where).toString(),
              QStringLiteral("999999.990000"));
    EXPECT_EQ(d.field(QStringLiteral("Price_Repayment_Comp")).asMoney().units(), 9999999900LL);

    EXPECT_EQ(d.field(QStringLiteral("Date_Action")).asString(), QStringLiteral("05/03/2024"));
    EXPECT_EQ(d.field(QStringLiteral("Date_Action")).asDate(), QDate(2024, 3, 5));
    EXPECT_EQ(d.field(QStringLiteral("Date_Action")).editMask(), EditMasks::date);
    EXPECT_TRUE(d.field(QStringLiteral("Repayment")).asBoolean());
    EXPECT_EQ(d.field(QStringLiteral("Repayment")).displayText(), QStringLiteral("Oui"));
    EXPECT_EQ(d.field(QStringLiteral("Time_Action")).size(), 5);
}

TEST_F(DatasetTest, CalculatedFieldsFollowEveryRowAndEveryPost)
{
    addAct(QStringLiteral("25"), QStringLiteral("17.5"), QStringLiteral("7.5"));
    addAct(QStringLiteral("0.3"), QStringLiteral("0.1"), QStringLiteral("0.1"));
    addAct(QString(), QStringLiteral("0"), QStringLiteral("0"));
    Dataset d(QStringLiteral("Action"));
    d.setSql(QStringList{QStringLiteral("SELECT * FROM [ACTION]"), QStringLiteral("ORDER BY Id")});
    int calls = 0;
    d.addCalculatedField(QStringLiteral("Left"), Schema::ColumnType::Double, [&calls](const Dataset& ds) {
        ++calls;
        const Field price = ds.field(QStringLiteral("Price"));
        if (price.isNull())
            return QVariant(0.0);
        return QVariant((price.asMoney() - ds.field(QStringLiteral("Price_Repayment")).asMoney() -
                         ds.field(QStringLiteral("Price_Repayment_Comp")).asMoney())
                            .toDouble());
    });
    d.setDisplayFormat(QStringLiteral("Left"), QStringLiteral("#######0.00"));
    d.open();
    // Computed for the first row on opening, for the others when first read, and kept.
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(d.fieldAt(0, d.fieldIndex(QStringLiteral("Left"))).asDouble(), 0.0);
    // Exact in currency arithmetic, where doubles would leave 0.1 - 2e-17.
    EXPECT_EQ(d.fieldAt(1, d.fieldIndex(QStringLiteral("Left"))).asDouble(), 0.1);
    EXPECT_EQ(d.fieldAt(1, d.fieldIndex(QStringLiteral("Left"))).displayText(),
              QStringLiteral("0") + QLocale().decimalPoint() + "10");
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(d.field(QStringLiteral("Left")).isCalculated());

    d.last();
    d.edit();
    d.field(QStringLiteral("Price")).setAsString(QStringLiteral("40"));
    EXPECT_EQ(d.field(QStringLiteral("Left")).asDouble(), 40.0); // while typing
    d.post();
    EXPECT_EQ(d.field(QStringLiteral("Left")).asDouble(), 40.0);
    EXPECT_EQ(d.field(QStringLiteral("Left")).displayText(),
              QStringLiteral("40") + QLocale().decimalPoint() + "00");
}

// A calculation that cannot be made fails when the dataset opens, not when
// a grid first draws the row (where nothing could report it).
TEST_F(DatasetTest, ACalculationNamingAMissingFieldFailsOnOpening)
{
    Dataset d(QStringLiteral("Lst_Doctor"));
    d.addCalculatedField(QStringLiteral("Label"), Schema::ColumnType::Text,
                         [](const Dataset& ds) { return ds.field(QStringLiteral("Title")).asString(); });
    EXPECT_THROW(openDoctors(d), DatabaseError);
    EXPECT_FALSE(d.isActive());
    EXPECT_EQ(d.recordCount(), 0);
}

// Rows are kept as SQLite stored them and become values only when read:
// every value, and every reading of it, is the one the Qt driver's value
// gives, on every kind of column, NULL included.
TEST_F(DatasetTest, ValuesReadAsTheDriverGivesThemOnEveryKindOfColumn)
{
    exec(
        QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Date_Action, Time_Action, Price, Price_Repayment, "
                       "Repayment, Remark1) VALUES (1, 1, '2024-02-29', '10:30', 12.3456, 0.1, 1, ?)"),
        {QStringLiteral("Contrôle « annuel » ✓")});
    // Texts where numbers and dates are expected, as older files may hold.
    exec(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Date_Action, Price, Repayment, Remark1) "
                        "VALUES (1, 2, 'pas une date', '7,5', 'Oui', '')"));
    exec(QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag) VALUES (2, 1)"));
    exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, Img, ImgMini) VALUES (1, 'photo', ?, ?)"),
         {QByteArray("\x00\xff\xd8jpeg\x00", 8), QByteArray("", 0)});
    exec(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title) VALUES (2, NULL)"));

    const QStringList statements{
        QStringLiteral("SELECT * FROM [ACTION] ORDER BY Id"),
        QStringLiteral("SELECT * FROM DOCUMENTIMG ORDER BY Id"),
        QStringLiteral("SELECT ACTION.Id, ACTION.Price, LST_DOCTOR.Name, LST_DOCTOR.Convention FROM [ACTION] "
                       "LEFT JOIN LST_DOCTOR ON ACTION.Id_Org = LST_DOCTOR.Id ORDER BY ACTION.Id"),
        // Expressions: typed by their first value, as the driver types them.
        QStringLiteral("SELECT count(*) AS N, 1.5 AS R, x'0102' AS B, NULL AS Z, 'texte' AS T FROM [ACTION]"),
        QStringLiteral("SELECT Id_Ref + 0 AS N FROM [ACTION] WHERE Id < 0"),
    };
    for (const QString& statement : statements) {
        SCOPED_TRACE(statement.toStdString());
        Dataset d(QStringLiteral("Query"));
        d.setSql(statement);
        d.open();
        QSqlQuery q(Connection::database());
        ASSERT_TRUE(q.exec(statement));
        const QSqlRecord record = q.record();
        ASSERT_EQ(d.fieldCount(), record.count());
        for (int c = 0; c < record.count(); ++c) {
            if (!Schema::findColumn(record.field(c).tableName(), record.field(c).name())) {
                EXPECT_EQ(d.field(c).type(), DatasetValues::typeOfValue(record.field(c).metaType()))
                    << record.fieldName(c).toStdString();
            }
        }
        int row = 0;
        for (; q.next(); ++row) {
            ASSERT_LT(row, d.recordCount());
            for (int c = 0; c < record.count(); ++c) {
                SCOPED_TRACE(record.fieldName(c).toStdString());
                const Field field = d.fieldAt(row, c);
                const QVariant driver = q.value(c);
                const Schema::ColumnType type = field.type();
                EXPECT_EQ(field.value().typeId(), driver.typeId());
                EXPECT_EQ(field.value().isNull(), driver.isNull());
                EXPECT_EQ(field.value(), driver);
                EXPECT_EQ(field.isNull(), DatasetValues::isNull(driver));
                EXPECT_EQ(field.asString(), DatasetValues::text(driver, type));
                EXPECT_EQ(field.displayText(), DatasetValues::formatted(driver, type, field.displayFormat()));
                EXPECT_EQ(field.asInteger(), DatasetValues::integer(driver));
                EXPECT_EQ(field.asMoney(), DatasetValues::money(driver));
                EXPECT_EQ(field.asDate(), DatasetValues::date(driver));
                EXPECT_EQ(field.asBoolean(), DatasetValues::boolean(driver));
                EXPECT_EQ(field.asBytes(), DatasetValues::bytes(driver, type));
            }
        }
        EXPECT_EQ(row, d.recordCount());
    }
}

TEST_F(DatasetTest, EventsRunAroundPostsDeletesAndMoves)
{
    Dataset d(QStringLiteral("Lst_Doctor"));
    QStringList seen;
    d.setOnNewRecord([&](Dataset& ds) {
        seen << QStringLiteral("new");
        ds.field(QStringLiteral("Category")).setAsString(QStringLiteral("Généraliste"));
    });
    d.setBeforePost([&](Dataset& ds) {
        seen << QStringLiteral("beforePost");
        if (ds.field(QStringLiteral("Name")).asString().isEmpty())
            throw DatabaseError(QStringLiteral("Nom obligatoire"));
    });
    d.setAfterPost([&](Dataset&) { seen << QStringLiteral("afterPost"); });
    d.setBeforeDelete([&](Dataset& ds) {
        seen << QStringLiteral("beforeDelete");
        if (ds.field(QStringLiteral("Name")).asString() == QLatin1String("Dupont"))
            throw DatabaseError(QStringLiteral("Praticien utilisé"));
    });
    int scrolls = 0;
    d.setAfterScroll([&](Dataset&) { ++scrolls; });
    openDoctors(d);
    EXPECT_EQ(scrolls, 1);

    d.append();
    EXPECT_FALSE(d.isModified()) << "defaults are not a change";
    EXPECT_EQ(d.field(QStringLiteral("Category")).asString(), QStringLiteral("Généraliste"));
    EXPECT_THROW(d.post(), DatabaseError);
    EXPECT_EQ(d.state(), Dataset::State::Insert);
    d.field(QStringLiteral("Name")).setAsString(QStringLiteral("Zola"));
    d.post();
    EXPECT_EQ(seen, (QStringList{"new", "beforePost", "beforePost", "afterPost"}));

    d.locate(QStringLiteral("Name"), QStringLiteral("Dupont"));
    EXPECT_THROW(d.remove(), DatabaseError);
    EXPECT_EQ(count(QStringLiteral("LST_DOCTOR")), 4);
    EXPECT_EQ(d.field(QStringLiteral("Name")).asString(), QStringLiteral("Dupont"));

    scrolls = 0;
    d.next();
    d.next();
    EXPECT_EQ(scrolls, 2);
}

TEST_F(DatasetTest, MovingAwayPostsAChangedRowAndDropsAnUnchangedEdit)
{
    Dataset d(QStringLiteral("Lst_Doctor"));
    openDoctors(d);
    d.edit();
    d.field(QStringLiteral("City")).setAsString(QStringLiteral("Paris"));
    d.next();
    EXPECT_EQ(d.state(), Dataset::State::Browse);
    EXPECT_EQ(scalar(QStringLiteral("SELECT City FROM LST_DOCTOR WHERE Name='Bernard'")).toString(),
              QStringLiteral("Paris"));

    int posts = 0;
    d.setAfterPost([&posts](Dataset&) { ++posts; });
    d.edit();
    d.next();
    EXPECT_EQ(posts, 0);
    d.append();
    d.first();
    EXPECT_EQ(d.recordCount(), 3) << "an untouched new row is dropped";
}

TEST_F(DatasetTest, WidgetsAreToldOfChangesUnlessSuspended)
{
    Dataset d(QStringLiteral("Lst_Doctor"));
    QSignalSpy resets(&d, &Dataset::reset);
    QSignalSpy moves(&d, &Dataset::currentChanged);
    QSignalSpy fields(&d, &Dataset::fieldChanged);
    QSignalSpy updates(&d, &Dataset::rowUpdated);
    openDoctors(d);
    EXPECT_EQ(resets.count(), 1);
    d.next();
    d.edit();
    d.field(QStringLiteral("City")).setAsString(QStringLiteral("Nice"));
    ASSERT_EQ(fields.count(), 1);
    EXPECT_EQ(fields.first().first().toInt(), d.fieldIndex(QStringLiteral("City")));
    d.post();
    ASSERT_EQ(updates.count(), 1);
    EXPECT_EQ(updates.first().first().toInt(), 1);

    resets.clear();
    moves.clear();
    d.disableControls();
    d.disableControls();
    d.close();
    d.open();
    d.last();
    d.enableControls();
    EXPECT_EQ(resets.count(), 0);
    d.enableControls();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(moves.count(), 1);
}

TEST_F(DatasetTest, OnlyTheFirstWhereLineIsReplaced)
{
    Dataset d(QStringLiteral("Query"));
    d.setSql(QStringList{QStringLiteral("SELECT * FROM LST_DOCTOR"), QStringLiteral("WHERE Name='Dupont'"),
                         QStringLiteral("  OR Name IN (SELECT Name FROM LST_DOCTOR WHERE Id=-1)"),
                         QStringLiteral("ORDER BY NAME")});
    d.setWhereLine(QStringLiteral("WHERE Name<>'Dupont'"));
    EXPECT_EQ(d.sql().at(1), QStringLiteral("WHERE Name<>'Dupont'"));
    EXPECT_EQ(d.sql().at(2), QStringLiteral("  OR Name IN (SELECT Name FROM LST_DOCTOR WHERE Id=-1)"));
    d.open();
    EXPECT_EQ(d.recordCount(), 2);

    Dataset none(QStringLiteral("Lst_Doctor"));
    none.setSql(QStringLiteral("SELECT * FROM LST_DOCTOR"));
    EXPECT_THROW(none.setWhereLine(QStringLiteral("WHERE Id=1")), DatabaseError);
}

TEST_F(DatasetTest, FailingStatementsCarryTheDatabaseText)
{
    Dataset d(QStringLiteral("Query"));
    d.setSql(QStringLiteral("SELECT * FROM NO_SUCH_TABLE"));
    try {
        d.open();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.text().contains(QLatin1String("NO_SUCH_TABLE"))) << e.text().toStdString();
    }
    EXPECT_FALSE(d.isActive());
    d.setSql(QStringLiteral("DELETE FROM LST_DOCTOR WHERE Name='Dupont'"));
    d.execSql();
    EXPECT_EQ(count(QStringLiteral("LST_DOCTOR")), 2);

    // A damaged page met half-way through the rows: an error, never the rows before it as if they were all.
    exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                        "INSERT INTO LST_DOCTOR (Name) SELECT printf('Docteur %03d %.100c', i, 'x') FROM n"));
    const qint64 page =
        scalar(QStringLiteral("SELECT pageno FROM dbstat WHERE name='LST_DOCTOR' AND pagetype='leaf' "
                              "ORDER BY pageno LIMIT 1 OFFSET 3"))
            .toLongLong();
    const qint64 pageSize = scalar(QStringLiteral("PRAGMA page_size")).toLongLong();
    ASSERT_GT(page, 0);
    Connection::close();
    {
        QFile file(m_config.databaseFile());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek((page - 1) * pageSize);
        file.write(QByteArray(int(pageSize), '\xa5'));
    }
    Connection::open(m_config);
    Dataset doctors(QStringLiteral("Lst_Doctor"));
    try {
        openDoctors(doctors);
        ADD_FAILURE() << doctors.recordCount() << " rows read from a damaged table";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("le fichier est endommagé ou n'est pas une base de données"));
    }
    EXPECT_FALSE(doctors.isActive());
}

} // namespace
