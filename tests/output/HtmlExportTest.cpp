// The HTML pages of a person, read back as documents: sections, tables,
// amounts, escaped texts, pictures and attached files, the working folder
// and its faults, and a saved copy.
#include "HtmlExport.h"

#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Cabinet.h"
#include "Connection.h"
#include "Errors.h"
#include "FileUtils.h"
#include "JpegIO.h"
#include "PageReader.h"
#include "ReferenceTables.h"
#include "ReportSamples.h"
#include "SqlRows.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
#include <QSqlQuery>
#include <QVariant>
#include <sys/stat.h>

namespace {

using SqlRows::exec;

QByteArray thumbnailBmp(QColor colour)
{
    QImage image(90, 90, QImage::Format_RGB32);
    image.fill(colour);
    return BmpFormat::encode(fromQImage(image));
}

class HtmlExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Money::normaliseCurrencySymbol(QStringLiteral("€"));
        m_person = ReportSamples::fillHousehold(m_household, 5);
    }

    QString data() const { return m_household.dataFolder(); }
    QString database() { return m_household.dm().databaseFolder(); }
    QString temp() const { return HtmlExport::workingFolder(data()); }

    // A picture document: its thumbnail, and its stored picture unless told otherwise.
    int addPicture(int person, const QString& title, bool stored = true)
    {
        const int id =
            exec(QStringLiteral(
                     "INSERT INTO DOCUMENTIMG (Id_Ref, Title, ImgMini, DoType) VALUES (?, ?, ?, 1)"),
                 {person, title, thumbnailBmp(Qt::darkCyan)})
                .toInt();
        if (stored) {
            QImage picture(300, 200, QImage::Format_RGB32);
            picture.fill(Qt::darkMagenta);
            SaveJpegFile(fromQImage(picture), database() + QStringLiteral("Images/Doc%1.jpg").arg(id), 90);
        }
        return id;
    }
    // An attached file stored under `storedName`, its archive holding `content` (none: no archive).
    int addFile(int person, const QString& storedName, const QByteArray& content)
    {
        const int id =
            exec(QStringLiteral("INSERT INTO DOCUMENTFILE (Id_Ref, FileName, FileType, FileSize, FileIcon, "
                                "DoType) VALUES (?, ?, 'Texte', '1 Ko', ?, 1)"),
                 {person, storedName, thumbnailBmp(Qt::yellow)})
                .toInt();
        if (!content.isNull()) {
            const QString source = m_scratch.path() + QStringLiteral("source%1").arg(id);
            TestFolders::writeFile(source, content);
            Cabinet::create(database() + QStringLiteral("Files/File%1.f").arg(id),
                            {{source, QStringLiteral("a.txt")}});
        }
        return id;
    }
    QString sheet(int person, HtmlExport::Sources sources = {})
    {
        if (sources.databaseFolder.isEmpty())
            sources.databaseFolder = database();
        return HtmlExport::writeHealthSheet(person, HtmlExport::prepareFolder(data()), sources);
    }

    HouseholdFixture m_household;
    TestFolders::Scratch m_scratch;
    int m_person = -1;
};

} // namespace

TEST_F(HtmlExportTest, AChildsMeasuresTellTheirCentileInRedBeyondTheThirdAndTheNinetySeventh)
{
    const int child =
        exec(
            QStringLiteral("INSERT INTO PERSON (Name, BirthDay_Date, Sex) VALUES ('Petit', '01/03/2024', 1)"))
            .toInt();
    for (const auto& [date, weight] :
         {std::pair{"2024-02-20", 3.0}, {"2024-03-01", 3.3464}, {"2025-03-01", 14.5}})
        exec(QStringLiteral("INSERT INTO WEIGHT (Id_Ref, Date_Weight, Weight) VALUES (?, ?, ?)"),
             {child, QString::fromLatin1(date), weight});
    exec(QStringLiteral("INSERT INTO [SIZE] (Id_Ref, Date_Size, Size) VALUES (?, '2024-03-01', 49.8842)"),
         {child});
    HtmlExport::Sources sources;
    sources.references = &GrowthReference::shipped(TestFolders::programFolder());

    const PageReader page(sheet(child, sources));
    ASSERT_TRUE(page.ok()) << page.error().toStdString();
    const QList<QStringList> weights = page.sectionRows(QStringLiteral("P O I D S"));
    ASSERT_EQ(weights.size(), 4);
    EXPECT_EQ(weights[0], (QStringList{"Date", "Valeur", "Centile", "Observations"}));
    EXPECT_EQ(weights[1].value(2), QString()) << "weighed before the birth date";
    EXPECT_EQ(weights[2].value(2), QStringLiteral("P 50 (z +0,00)"));
    EXPECT_TRUE(weights[3].value(2).startsWith(QStringLiteral("P > 99 (z +")))
        << weights[3].value(2).toStdString();
    EXPECT_EQ(page.bytes().count("<font color=\"#CC0000\">P &gt; 99"), 1) << "in red, alone";
    EXPECT_EQ(page.sectionRows(QStringLiteral("T A I L L E")).value(1).value(2),
              QStringLiteral("P 50 (z +0,00)"));

    // Without the sex nor the references the measures go as they always did.
    exec(QStringLiteral("UPDATE PERSON SET Sex=NULL WHERE Id=?"), {child});
    EXPECT_EQ(PageReader(sheet(child, sources)).sectionRows(QStringLiteral("P O I D S")).value(0),
              (QStringList{"Date", "Valeur", "Observations"}));
    exec(QStringLiteral("UPDATE PERSON SET Sex=1 WHERE Id=?"), {child});
    EXPECT_EQ(PageReader(sheet(child)).sectionRows(QStringLiteral("T A I L L E")).value(0).size(), 3);
}

TEST_F(HtmlExportTest, HealthSheetHoldsEverySectionInUtf8WithItsTablesAndCharts)
{
    exec(QStringLiteral("UPDATE CUSTOMLAB SET Misc01='Allergies', Misc02='Médecin traitant'"));
    exec(QStringLiteral("UPDATE PERSON SET Misc01='Pollen', Misc02='Dr Roux' WHERE Id=?"), {m_person});
    QList<QSize> charts;
    HtmlExport::Sources sources;
    sources.charts = [&](int person, TDataModuleReport::Chart, QSize size) {
        EXPECT_EQ(person, m_person);
        charts << size;
        QImage chart(size, QImage::Format_RGB32);
        chart.fill(Qt::red);
        return chart;
    };
    const QString index = sheet(m_person, sources);
    EXPECT_EQ(index, temp() + QStringLiteral("index.htm"));
    const PageReader page(index);
    ASSERT_TRUE(page.ok()) << page.error().toStdString();
    EXPECT_TRUE(page.bytes().contains(QStringLiteral("Dupont-Lefèvre").toUtf8()));
    ASSERT_EQ(page.all(QStringLiteral("meta")).size(), 1);
    EXPECT_EQ(page.all(QStringLiteral("meta")).first().attribute(QStringLiteral("charset")),
              QStringLiteral("utf-8"));
    EXPECT_EQ(page.sections(), (QStringList{"INFORMATIONS GENERALES", "P O I D S", "T A I L L E",
                                            "INFORMATIONS PERSONNALISEES", "ACTES", "MEDICAMENTS", "VACCINS",
                                            "EVENEMENTS", "DOCUMENT(S) FICHIER(S)", "DOCUMENT(S) IMAGE(S)"}));

    QString general;
    for (const QDomElement& e : page.section(QStringLiteral("INFORMATIONS GENERALES")))
        general += PageReader::text(e) + QLatin1Char(' ');
    for (const char* expected :
         {"Dupont-Lefèvre", "Élodie", "2 85 07 75 123 456 78", "14/07/2019 - à Besançon",
          "3.410 Kg - 50.50 cm", "A+", "CPAM de Lyon", "Mutuelle des familles", "Allergie à la pénicilline."})
        EXPECT_TRUE(general.contains(QString::fromUtf8(expected)))
            << expected << " in " << general.toStdString();

    // Acts: a heading row and one row per act, amounts in the program's format.
    const QList<QStringList> acts = page.sectionRows(QStringLiteral("ACTES"));
    ASSERT_EQ(acts.size(), 6);
    EXPECT_EQ(acts[0], (QStringList{"Date", "heure", "Montant", "Praticien", "Maladie", "Gravité",
                                    "Remboursement|sécurité sociale", "Remboursement|caisse complém."}));
    EXPECT_EQ(acts[1].mid(0, 5),
              (QStringList{"02/01/2023", "10:30", "25.00 €", "Dr Martin (Pédiatre)", "Otite"}));
    EXPECT_EQ(acts[1][6], QStringLiteral("0.00 €"));
    EXPECT_EQ(acts[3][6], QStringLiteral("17.50 €"));
    const QList<QStringList> medicines = page.sectionRows(QStringLiteral("MEDICAMENTS"));
    ASSERT_EQ(medicines.size(), 5);
    EXPECT_EQ(medicines[3][2], QStringLiteral("25.02 €"));
    EXPECT_EQ(medicines[3][4], QStringLiteral("Doliprane (Antalgique)"));
    EXPECT_EQ(medicines[3][5], QStringLiteral("17.50 €"));
    // A vaccine without a category goes without parentheses.
    const QList<QStringList> vaccines = page.sectionRows(QStringLiteral("VACCINS"));
    ASSERT_EQ(vaccines.size(), 3);
    EXPECT_EQ(vaccines[1][3], QStringLiteral("ROR (Rougeole)"));
    EXPECT_EQ(vaccines[2][3], QStringLiteral("Tétanos"));
    EXPECT_EQ(page.sectionRows(QStringLiteral("P O I D S")).value(1),
              (QStringList{"14/07/2021", "12.500 kg", "Deux ans"}));
    EXPECT_EQ(page.sectionRows(QStringLiteral("EVENEMENTS")).value(1),
              (QStringList{"01/03/2022", "Varicelle, éruption sur le torse"}));
    EXPECT_EQ(page.sectionRows(QStringLiteral("INFORMATIONS PERSONNALISEES")),
              (QList<QStringList>{{"Allergies", "Médecin traitant"}, {"Pollen", "Dr Roux"}}));
    // No height: the section says so and draws no chart.
    EXPECT_EQ(PageReader::text(page.section(QStringLiteral("T A I L L E")).value(1)),
              QStringLiteral("AUCUNE MESURE"));
    EXPECT_EQ(charts, QList<QSize>{QSize(680, 400)});
    EXPECT_EQ(QImage(temp() + QStringLiteral("weight.bmp")).size(), QSize(680, 400));
    EXPECT_FALSE(QFileInfo::exists(temp() + QStringLiteral("size.bmp")));
    // No photo: the silhouette, 80 x 80.
    EXPECT_EQ(QImage(temp() + QStringLiteral("face.jpg")).size(), QSize(80, 80));
    EXPECT_TRUE(PageReader::text(page.section(QStringLiteral("DOCUMENT(S) IMAGE(S)")).value(1))
                    .contains(QStringLiteral("Pas de document \"image\"")));
}

TEST_F(HtmlExportTest, TextsFromTheUserAreShownLiterallyNeverAsMarkup)
{
    const QString script = QStringLiteral("<script>alert(1)</script>");
    const QString attack = QStringLiteral("\"><img src=x onerror=alert(1)>");
    exec(QStringLiteral("UPDATE PERSON SET Name=?, Previous=?, Blood=? WHERE Id=?"),
         {script, attack, QStringLiteral("A & B'\x01"), m_person});
    exec(QStringLiteral("UPDATE EVENT SET Description=?"), {attack});
    exec(QStringLiteral("UPDATE LST_DOCTOR SET Name=?"), {script});
    const int picture = addPicture(m_person, attack);
    addFile(m_person, attack, "contenu");

    const PageReader page(sheet(m_person));
    ASSERT_TRUE(page.ok()) << page.error().toStdString();
    // The page's own script in its head, nothing else runs.
    ASSERT_EQ(page.all(QStringLiteral("script")).size(), 1);
    EXPECT_EQ(page.all(QStringLiteral("script")).first().parentNode().nodeName(), QStringLiteral("head"));
    for (const QString& name : page.attributeNames())
        EXPECT_FALSE(name.startsWith(QLatin1String("on"))) << name.toStdString();
    for (const QDomElement& img : page.all(QStringLiteral("img")))
        EXPECT_NE(img.attribute(QStringLiteral("src")), QStringLiteral("x"));
    const QString all = PageReader::text(page.all(QStringLiteral("body")).first());
    EXPECT_GE(all.count(script), 2);
    EXPECT_GE(all.count(attack), 3);
    EXPECT_TRUE(all.contains(QStringLiteral("A & B'"))) << "control characters dropped, the rest kept";
    // The picture page takes the title literally too.
    const PageReader picturePage(temp() + QStringLiteral("doc%1.htm").arg(picture));
    ASSERT_TRUE(picturePage.ok()) << picturePage.error().toStdString();
    EXPECT_EQ(PageReader::text(picturePage.all(QStringLiteral("title")).first()), attack);
}

TEST_F(HtmlExportTest, PicturesComeFourARowWithTheirPagesAndAMissingOneIsMarked)
{
    QList<int> ids;
    for (int k = 1; k <= 5; ++k)
        ids << addPicture(m_person, QStringLiteral("Radio %1").arg(k), k != 3);
    const PageReader page(sheet(m_person));
    ASSERT_TRUE(page.ok()) << page.error().toStdString();
    const QList<QStringList> grid =
        PageReader::rows(page.section(QStringLiteral("DOCUMENT(S) IMAGE(S)")).value(1));
    ASSERT_EQ(grid.size(), 4);
    EXPECT_EQ(grid[1], (QStringList{"Radio 1", "Radio 2", "Radio 3 (image introuvable)", "Radio 4"}));
    EXPECT_EQ(grid[3], (QStringList{"Radio 5", "", "", ""}));
    QStringList popups;
    for (const QDomElement& a : page.all(QStringLiteral("a")))
        if (a.attribute(QStringLiteral("href")).startsWith(QLatin1String("javascript:")))
            popups << Html::parsePopupLink(a.attribute(QStringLiteral("href"))).page;
    EXPECT_EQ(popups, (QStringList{
                          QStringLiteral("doc%1.htm").arg(ids[0]), QStringLiteral("doc%1.htm").arg(ids[1]),
                          QStringLiteral("doc%1.htm").arg(ids[3]), QStringLiteral("doc%1.htm").arg(ids[4])}));
    for (int id : ids) {
        EXPECT_EQ(QImage(temp() + QStringLiteral("doc%1.jpg").arg(id)).size(), QSize(90, 90));
        EXPECT_EQ(QFileInfo::exists(temp() + QStringLiteral("docfullsize%1.jpg").arg(id)), id != ids[2]);
    }
    const PageReader full(temp() + QStringLiteral("doc%1.htm").arg(ids[0]));
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full.all(QStringLiteral("img")).first().attribute(QStringLiteral("src")),
              QStringLiteral("docfullsize%1.jpg").arg(ids[0]));
    EXPECT_EQ(TestFolders::readFile(temp() + QStringLiteral("docfullsize%1.jpg").arg(ids[0])),
              TestFolders::readFile(database() + QStringLiteral("Images/Doc%1.jpg").arg(ids[0])));

    // Exactly four: one pair of rows.
    const int other = m_household.addPerson(QStringLiteral("Quatre"), QStringLiteral("Images"));
    for (int k = 0; k < 4; ++k)
        addPicture(other, QStringLiteral("Image %1").arg(k));
    const PageReader four(sheet(other));
    EXPECT_EQ(PageReader::rows(four.section(QStringLiteral("DOCUMENT(S) IMAGE(S)")).value(1)).size(), 2);
}

TEST_F(HtmlExportTest, AttachedFilesAreExtractedUnderSafeNamesAndADamagedArchiveIsMarked)
{
    const int escaping = addFile(m_person, QStringLiteral("../../x"), "sortie");
    const int absolute = addFile(m_person, QStringLiteral("/etc/passwd"), "mots de passe");
    const int damaged = addFile(m_person, QStringLiteral("compte-rendu.pdf"), "rapport");
    TestFolders::writeFile(database() + QStringLiteral("Files/File%1.f").arg(damaged), "MSCF n'importe quoi");
    const int missing = addFile(m_person, QStringLiteral("perdu.txt"), QByteArray());
    const int clash = addFile(m_person, QStringLiteral("index.htm"), "<p>pièce jointe</p>");

    const PageReader page(sheet(m_person));
    ASSERT_TRUE(page.ok()) << page.error().toStdString();
    EXPECT_EQ(TestFolders::readFile(temp() + QStringLiteral("x")), "sortie");
    EXPECT_EQ(TestFolders::readFile(temp() + QStringLiteral("passwd")), "mots de passe");
    EXPECT_FALSE(QFileInfo::exists(data() + QStringLiteral("x")));
    EXPECT_FALSE(QFileInfo::exists(data() + QStringLiteral("Html/x")));
    // An attachment never takes the place of the page.
    EXPECT_EQ(TestFolders::readFile(temp() + QStringLiteral("%1_index.htm").arg(clash)),
              "<p>pièce jointe</p>");
    EXPECT_TRUE(page.bytes().contains("P O I D S"));

    const QList<QStringList> rows = page.sectionRows(QStringLiteral("DOCUMENT(S) FICHIER(S)"));
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[0], (QStringList{"", "Nom", "Type", "Taille"}));
    EXPECT_EQ(rows[1], (QStringList{"", "../../x", "Texte", "1 Ko"}));
    EXPECT_EQ(rows[3][1], QStringLiteral("compte-rendu.pdf (archive endommagée, fichier non extrait)"));
    EXPECT_EQ(rows[4][1], QStringLiteral("perdu.txt (fichier introuvable)"));
    QStringList links;
    for (const QDomElement& a : page.all(QStringLiteral("a")))
        links << a.attribute(QStringLiteral("href"));
    EXPECT_TRUE(links.contains(QStringLiteral("x")));
    EXPECT_TRUE(links.contains(QStringLiteral("passwd")));
    EXPECT_TRUE(links.contains(QStringLiteral("%1_index.htm").arg(clash)));
    EXPECT_FALSE(links.contains(QStringLiteral("compte-rendu.pdf")));
    for (int id : {escaping, absolute, damaged, missing, clash})
        EXPECT_EQ(QImage(temp() + QStringLiteral("FileIcon%1.jpg").arg(id)).size(), QSize(90, 90));
}

TEST_F(HtmlExportTest, TheWorkingFolderIsEmptiedOfEarlierPagesAndAFolderThatRefusesFilesIsNamed)
{
    sheet(m_person);
    TestFolders::writeFile(temp() + QStringLiteral("old.htm"), "ancienne");
    TestFolders::writeFile(temp() + QStringLiteral("notes.txt"), "à garder");
    TestFolders::writeFile(temp() + QStringLiteral("Chart.BMP"), "ancienne");
    HtmlExport::prepareFolder(data());
    EXPECT_EQ(QDir(temp()).entryList(QDir::Files), QStringList{QStringLiteral("notes.txt")});

    // "Html" taken by a file: nothing can be written, and the message says where.
    HouseholdFixture other;
    TestFolders::writeFile(other.dataFolder() + QStringLiteral("Html"), "pas un dossier");
    try {
        HtmlExport::prepareFolder(other.dataFolder());
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.text().contains(other.dataFolder() + QStringLiteral("Html/")))
            << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("La page HTML n'a pas été créée.")))
            << e.text().toStdString();
    }
    // A working folder without the right to write: said before any page is started.
    ::chmod(QFile::encodeName(temp()).constData(), 0555);
    const int refused = TestFolders::asUnprivilegedUser([&] {
        try {
            HtmlExport::prepareFolder(data());
            return 1;
        } catch (const FileError& e) {
            return e.text().contains(QStringLiteral("Impossible de préparer le dossier")) ? 0 : 2;
        }
    });
    ::chmod(QFile::encodeName(temp()).constData(), 0755);
    EXPECT_EQ(refused, 0);
}

TEST_F(HtmlExportTest, TablesPagesListTheirRowsAndSayWhenThereAreNone)
{
    TDataModule2& dm2 = m_household.dm2();
    const QString folder = HtmlExport::prepareFolder(data());
    const PageReader acts(HtmlExport::writeTables(dm2, HtmlExport::Tables::ActsHistory, m_person, folder));
    EXPECT_EQ(acts.sections(), QStringList{QStringLiteral("HISTORIQUE DES ACTES")});
    EXPECT_EQ(acts.sectionRows(QStringLiteral("HISTORIQUE DES ACTES")).size(), 6);
    EXPECT_FALSE(dm2.ConsultRepaymentQuery.isActive());

    // Every third act is reimbursed by both: four acts of five and three purchases of four remain.
    const PageReader reminders(HtmlExport::writeTables(dm2, HtmlExport::Tables::Reminders, m_person, folder));
    EXPECT_EQ(reminders.sections(),
              (QStringList{"ACTES NON REMBOURSEES", "MEDICAMENTS NON REMBOURSES", "RAPPELS DE VACCINATION"}));
    EXPECT_EQ(reminders.sectionRows(QStringLiteral("ACTES NON REMBOURSEES")).size(), 5);
    EXPECT_EQ(reminders.sectionRows(QStringLiteral("MEDICAMENTS NON REMBOURSES")).size(), 4);
    const QList<QStringList> boosters = reminders.sectionRows(QStringLiteral("RAPPELS DE VACCINATION"));
    ASSERT_EQ(boosters.size(), 2);
    EXPECT_EQ(boosters[1], (QStringList{"14/07/2026", "ROR (Rougeole)", "14/07/2020 -"}));

    const int newborn = m_household.addPerson(QStringLiteral("Petit"), QStringLiteral("Léon"));
    const PageReader none(
        HtmlExport::writeTables(dm2, HtmlExport::Tables::MedicinesHistory, newborn, folder));
    EXPECT_EQ(PageReader::text(none.section(QStringLiteral("HISTORIQUE DES MEDICAMENTS")).value(1)),
              QStringLiteral("AUCUN MEDICAMENT"));
}

TEST_F(HtmlExportTest, ASavedCopyTakesWhatThePageShowsAndNothingElse)
{
    const int picture = addPicture(m_person, QStringLiteral("Radio"));
    const int file = addFile(m_person, QStringLiteral("ordonnance.txt"), "ordonnance");
    HtmlExport::Sources sources;
    sources.charts = [](int, TDataModuleReport::Chart, QSize size) {
        return QImage(size, QImage::Format_RGB32);
    };
    const QString index = sheet(m_person, sources);
    // Left by the export of someone else: not theirs to send.
    TestFolders::writeFile(temp() + QStringLiteral("autre-personne.pdf"), "privé");

    const QString target = m_scratch.make(QStringLiteral("Envoi")) + QStringLiteral("fiche.htm");
    HtmlExport::saveCopy(index, target);
    QStringList expected{QStringLiteral("FileIcon%1.jpg").arg(file),
                         QStringLiteral("doc%1.htm").arg(picture),
                         QStringLiteral("doc%1.jpg").arg(picture),
                         QStringLiteral("docfullsize%1.jpg").arg(picture),
                         QStringLiteral("face.jpg"),
                         QStringLiteral("fiche.htm"),
                         QStringLiteral("ordonnance.txt"),
                         QStringLiteral("weight.bmp")};
    QStringList copied = QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files);
    copied.sort(Qt::CaseInsensitive);
    expected.sort(Qt::CaseInsensitive);
    EXPECT_EQ(copied, expected);
    EXPECT_EQ(TestFolders::readFile(target), TestFolders::readFile(index));
}
