// The search over a household's records: what a typed text becomes, what
// the index finds and in which order, and the index kept in step by the
// database itself with every change of a row, on any connection.
#include "SearchIndex.h"

#include "Connection.h"
#include "DatasetUtils.h"
#include "FileConnection.h"
#include "HouseholdFixture.h"
#include "SearchHits.h"
#include "SearchQuery.h"
#include "SqlRows.h"
#include "Transaction.h"

#include <gtest/gtest.h>
#include <QSqlQuery>

namespace {

using Search::Kind;

QVariant scalar(const QString& sql)
{
    QSqlQuery q(Connection::database());
    if (!q.exec(sql) || !q.next())
        return {};
    return q.value(0);
}

using SearchHits::found;
using SearchHits::key;
using SqlRows::insert;

class SearchIndexTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_zoe = m_home.addPerson(QStringLiteral("Lefèvre"), QStringLiteral("Zoé"));
        m_paul = m_home.addPerson(QStringLiteral("Martin"), QStringLiteral("Paul"));
        m_doctor = insert(QStringLiteral("INSERT INTO LST_DOCTOR (Name, Category, City) "
                                         "VALUES ('Docteur Roux', 'Dermatologue', 'Tours')"));
        m_drug = insert(QStringLiteral("INSERT INTO LST_DRUG (Title) VALUES ('Amoxicilline Biogaran')"));
    }

    int act(int person, const QString& remark, int tag = 1)
    {
        return insert(
            QStringLiteral("INSERT INTO [ACTION] (Id_Ref, Tag, Id_Org, Id_Drug, Date_Action, Remark1) "
                           "VALUES (%1, %2, %3, %4, '2026-04-02', '%5')")
                .arg(person)
                .arg(tag)
                .arg(tag == 1 ? m_doctor : 0)
                .arg(tag == 2 ? m_drug : 0)
                .arg(remark));
    }

    HouseholdFixture m_home;
    int m_zoe = 0;
    int m_paul = 0;
    int m_doctor = 0;
    int m_drug = 0;
};

} // namespace

TEST(SearchWords, TypedTextBecomesQuotedFoldedPrefixes)
{
    EXPECT_EQ(Search::words(QStringLiteral("L'École, CŒUR  Æther-x")),
              (QStringList{QStringLiteral("l"), QStringLiteral("école"), QStringLiteral("coeur"),
                           QStringLiteral("aether"), QStringLiteral("x")}));
    // Every word quoted: nothing typed is an operator; one letter is no prefix.
    EXPECT_EQ(Search::matchExpression(QStringLiteral("amox NOT \"a\" OR")),
              QStringLiteral("\"amox\"* AND \"not\"* AND \"a\" AND \"or\"*"));
    EXPECT_EQ(Search::matchExpression(QStringLiteral("cœur")), QStringLiteral("(\"coeur\"* OR \"cœur\"*)"));
    EXPECT_EQ(Search::matchExpression(QStringLiteral(" ,;* ")), QString());
    EXPECT_TRUE(Search::find(QStringLiteral("\"*")).isEmpty());
}

TEST_F(SearchIndexTest, FindsEveryKindOfRowWithoutRegardToAccentsLigaturesOrOrder)
{
    QSqlQuery q(Connection::database());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE PERSON SET Previous = 'Souffle au cœur depuis l''enfance', "
                                      "Misc03 = 'Allergie aux arachides' WHERE Id = %1")
                           .arg(m_zoe)));
    const int consult = act(m_zoe, QStringLiteral("Eczéma des mains"));
    const int purchase = act(m_paul, QStringLiteral("Boîte de 12"), 2);
    const int vaccine =
        insert(QStringLiteral("INSERT INTO VACCINE (Id_Ref, Id_Vaccine, Id_Org, Date_Vaccine, Remark1) "
                              "VALUES (%1, 1, %2, '2025-10-01', 'Rappel diphtérie')")
                   .arg(m_paul)
                   .arg(m_doctor));
    const int analysis =
        insert(QStringLiteral("INSERT INTO L_ANALYSIS (Id_Ref, Title) VALUES (%1, 'Glycémie')").arg(m_zoe));
    insert(QStringLiteral("INSERT INTO [ANALYSIS] (Id_Ref, Date_Analysis, Remark1) "
                          "VALUES (%1, '2026-01-05', 'prise de sang à jeun')")
               .arg(analysis));
    const int event = insert(QStringLiteral("INSERT INTO EVENT (Id_Ref, Date_Event, Description) "
                                            "VALUES (%1, '2024-09-02', 'Rentrée à l''École Jules-Ferry')")
                                 .arg(m_paul));
    const int picture = insert(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, DoType) "
                                              "VALUES (%1, 'Ordonnance', 1)")
                                   .arg(m_zoe));
    insert(QStringLiteral("INSERT INTO DOCUMENTTEXT (Id_Document, DoKind, Content, State) "
                          "VALUES (%1, 1, 'Crème œstrogène deux fois par jour', 1)")
               .arg(picture));
    const int file = insert(QStringLiteral("INSERT INTO DOCUMENTFILE (Id_Ref, FileName, DoType) "
                                           "VALUES (%1, 'compte-rendu-IRM.pdf', 1)")
                                .arg(m_paul));

    EXPECT_EQ(found(QStringLiteral("lefevre zoe")), QStringList{key(Kind::Identity, m_zoe)});
    EXPECT_EQ(found(QStringLiteral("COEUR")), QStringList{key(Kind::History, m_zoe)}) << "œ typed as oe";
    EXPECT_EQ(found(QStringLiteral("arachide")), QStringList{key(Kind::Custom, m_zoe)});
    EXPECT_EQ(found(QStringLiteral("tours dermato eczema")), QStringList{key(Kind::Consultation, consult)})
        << "the practitioner's specialty and town, in any order, by prefix";
    EXPECT_EQ(found(QStringLiteral("amox")), QStringList{key(Kind::Purchase, purchase)});
    EXPECT_EQ(found(QStringLiteral("diphterie roux")), QStringList{key(Kind::Vaccination, vaccine)});
    EXPECT_EQ(found(QStringLiteral("glycemie")),
              (QStringList{key(Kind::Analysis, analysis), key(Kind::AnalysisValue, analysis)}))
        << "a value opens its analysis";
    EXPECT_EQ(found(QStringLiteral("ecole")), QStringList{key(Kind::Event, event)});
    EXPECT_EQ(found(QStringLiteral("œstrogene")), QStringList{key(Kind::Picture, picture)});
    EXPECT_EQ(found(QStringLiteral("oestro")), QStringList{key(Kind::Picture, picture)});
    EXPECT_EQ(found(QStringLiteral("irm")), QStringList{key(Kind::File, file)});
    EXPECT_TRUE(found(QStringLiteral("amox eczema")).isEmpty()) << "every word must be in the row";

    const QList<Search::Hit> hits = Search::find(QStringLiteral("jeun"));
    ASSERT_EQ(hits.size(), 1);
    EXPECT_EQ(hits[0].personId, m_zoe);
    EXPECT_EQ(hits[0].personName, QStringLiteral("Lefèvre Zoé"));
    EXPECT_EQ(hits[0].date, QDate(2026, 1, 5));
    EXPECT_EQ(Search::kindLabel(hits[0].kind), QStringLiteral("Valeur d'analyse"));
}

TEST_F(SearchIndexTest, BestEntriesComeFirstWithTheWordsHighlightedAndTheTextEscaped)
{
    const int longer =
        act(m_zoe, QStringLiteral("Consultation de suivi, bilan complet, migraine évoquée en fin de "
                                  "rendez-vous parmi bien d''autres sujets sans rapport"));
    const int shorter = act(m_paul, QStringLiteral("Migraine <forte> & migraines répétées"));
    const QList<Search::Hit> hits = Search::find(QStringLiteral("migraine"));
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].rowId, shorter) << "more of the word in a shorter text ranks first";
    EXPECT_EQ(hits[1].rowId, longer);
    EXPECT_TRUE(
        hits[0].snippetHtml.contains(QStringLiteral("<b>Migraine</b> &lt;forte&gt; &amp; <b>migraines</b>")))
        << hits[0].snippetHtml.toStdString();
    EXPECT_TRUE(hits[0].snippet.contains(QStringLiteral("Migraine <forte> & migraines")));
    EXPECT_FALSE(hits[0].snippet.contains(QChar(0x02)));
    EXPECT_EQ(Search::find(QStringLiteral("migraine"), 1).size(), 1);
}

TEST_F(SearchIndexTest, FollowsEveryChangeInItsTransactionUpToAPersonsDeletion)
{
    // Through the program's own dataset, as the entry windows post.
    Dataset acts(QStringLiteral("Action"));
    acts.setSql(QStringLiteral("SELECT * FROM [ACTION]\nWHERE [ACTION].Id=-1"));
    acts.open();
    acts.insert();
    acts.field(QStringLiteral("Id_Ref")).setAsInteger(m_zoe);
    acts.field(QStringLiteral("Tag")).setAsInteger(1);
    acts.field(QStringLiteral("Id_Org")).setAsInteger(m_doctor);
    acts.field(QStringLiteral("Remark1")).setAsString(QStringLiteral("Angine rouge"));
    acts.post();
    const int id = acts.field(QStringLiteral("Id")).asInteger();
    EXPECT_EQ(found(QStringLiteral("angine")), QStringList{key(Kind::Consultation, id)});

    acts.edit();
    acts.field(QStringLiteral("Remark1")).setAsString(QStringLiteral("Otite moyenne"));
    acts.post();
    acts.close();
    EXPECT_TRUE(found(QStringLiteral("angine")).isEmpty());
    EXPECT_EQ(found(QStringLiteral("otite")), QStringList{key(Kind::Consultation, id)});

    // The practitioner renamed in the list: the act's entry names the new one.
    QSqlQuery q(Connection::database());
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE LST_DOCTOR SET City = 'Blois' WHERE Id = %1").arg(m_doctor)));
    EXPECT_TRUE(found(QStringLiteral("otite tours")).isEmpty());
    EXPECT_EQ(found(QStringLiteral("otite blois")), QStringList{key(Kind::Consultation, id)});

    // A change rolled back takes its entry with it.
    {
        Transaction undone;
        act(m_zoe, QStringLiteral("Varicelle"));
        EXPECT_EQ(found(QStringLiteral("varicelle")).size(), 1);
    }
    EXPECT_TRUE(found(QStringLiteral("varicelle")).isEmpty());

    // A new picture makes the recognised text of the old one go.
    const int picture = insert(QStringLiteral("INSERT INTO DOCUMENTIMG (Id_Ref, Title, ImgMini, DoType) "
                                              "VALUES (%1, 'Scan', x'01', 1)")
                                   .arg(m_zoe));
    insert(
        QStringLiteral("INSERT INTO DOCUMENTTEXT (Id_Document, DoKind, Content, State) VALUES (%1, 1, 'radio "
                       "thorax', 1)")
            .arg(picture));
    EXPECT_EQ(found(QStringLiteral("thorax")), QStringList{key(Kind::Picture, picture)});
    ASSERT_TRUE(q.exec(
        QStringLiteral("UPDATE DOCUMENTIMG SET Title = 'Scan', ImgMini = x'01' WHERE Id = %1").arg(picture)));
    EXPECT_EQ(found(QStringLiteral("thorax")).size(), 1) << "the same picture keeps its text";
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE DOCUMENTIMG SET ImgMini = x'02' WHERE Id = %1").arg(picture)));
    EXPECT_TRUE(found(QStringLiteral("thorax")).isEmpty());
    EXPECT_EQ(found(QStringLiteral("scan")), QStringList{key(Kind::Picture, picture)});
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM DOCUMENTTEXT")).toInt(), 0);

    // Deleting a person leaves none of its entries; the other person's stay.
    insert(QStringLiteral("INSERT INTO L_ANALYSIS (Id_Ref, Title) VALUES (%1, 'Ferritine')").arg(m_zoe));
    insert(QStringLiteral("INSERT INTO EVENT (Id_Ref, Description) VALUES (%1, 'Chute à vélo')").arg(m_zoe));
    act(m_paul, QStringLiteral("Otite aussi"));
    ASSERT_TRUE(m_home.dm().Person.locateId(m_zoe));
    m_home.dm().deletePerson();
    EXPECT_EQ(found(QStringLiteral("otite")).size(), 1);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT count(*) FROM SEARCH_INDEX WHERE Person = %1").arg(m_zoe)).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SEARCH_PENDING")).toInt(), 0);
    EXPECT_EQ(found(QStringLiteral("martin")), QStringList{key(Kind::Identity, m_paul)});
    EXPECT_TRUE(
        QSqlQuery(Connection::database())
            .exec(QStringLiteral("INSERT INTO SEARCH_INDEX (SEARCH_INDEX) VALUES ('integrity-check')")));
}

// Changes wait in the index's notes until a search writes them; where the
// file cannot be written the search still answers, from the index as it
// stands, and the notes stay for a search that can write them.
TEST_F(SearchIndexTest, AHouseholdThatCannotBeWrittenIsSearchedAsItsIndexStands)
{
    SearchIndex::catchUp(Connection::database());
    const int angine = act(m_zoe, QStringLiteral("Angine rouge"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SEARCH_PENDING")).toInt(), 2);
    const FileConnection readOnly(Connection::database().databaseName(), FileConnection::Access::ReadOnly);
    ASSERT_TRUE(readOnly.isOpen());
    EXPECT_TRUE(Search::find(QStringLiteral("angine"), 50, readOnly.database()).isEmpty());
    EXPECT_EQ(Search::find(QStringLiteral("lefevre"), 50, readOnly.database()).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SEARCH_PENDING")).toInt(), 2);

    EXPECT_EQ(found(QStringLiteral("angine")), QStringList{key(Kind::Consultation, angine)});
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM SEARCH_PENDING")).toInt(), 0);
    EXPECT_EQ(Search::find(QStringLiteral("angine"), 50, readOnly.database()).size(), 1);
}
