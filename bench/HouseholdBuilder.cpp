#include "HouseholdBuilder.h"

#include "BenchSupport.h"
#include "BitmapQt.h"
#include "BmpFormat.h"
#include "Cabinet.h"
#include "ImageTransforms.h"
#include "JpegIO.h"
#include "SearchIndex.h"

#include <QDate>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <vector>

namespace HouseholdBuilder {
namespace {

const QString kConnection = QStringLiteral("household-builder");
// Rows per transaction: large enough that commits cost nothing, small
// enough that the journal stays modest.
constexpr int kPersonsPerTransaction = 1000;
constexpr int kVariants = 8; // distinct pictures, copied over the household

const char* const kSurnames[] = {"Martin", "Bernard", "Dubois",   "Thomas", "Robert",  "Richard", "Petit",
                                 "Durand", "Leroy",   "Moreau",   "Simon",  "Laurent", "Lefèvre", "Michel",
                                 "Garcia", "David",   "Bertrand", "Roux",   "Vincent", "Fournier"};
const char* const kForeNames[] = {"Élise", "Léa",     "Hugo",   "Chloé", "Louis", "Manon",   "Jules",
                                  "Inès",  "Gabriel", "Jeanne", "Noé",   "Zoé",   "Raphaël", "Camille"};
const char* const kRemarks[] = {"Contrôle annuel, tension normale",  "Angine, antibiotique pour six jours",
                                "Douleur au genou après la course",  "Renouvellement de l'ordonnance",
                                "Fièvre et toux depuis trois jours", "Bilan sanguin demandé",
                                "Vaccin à prévoir au printemps",     "Suivi de croissance, rien à signaler"};
const char* const kWords[] = {"ordonnance", "comprimé", "matin",    "soir",   "semaine", "résultat",
                              "normal",     "analyse",  "glycémie", "examen", "suivi",   "traitement"};

void check(QSqlQuery& q)
{
    if (!q.exec())
        qFatal("household: %s: %s", qPrintable(q.lastQuery()), qPrintable(q.lastError().text()));
}

QSqlQuery prepared(QSqlDatabase& db, const char* sql)
{
    QSqlQuery q(db);
    if (!q.prepare(QString::fromUtf8(sql)))
        qFatal("household: %s: %s", sql, qPrintable(q.lastError().text()));
    return q;
}

void bind(QSqlQuery& q, std::initializer_list<QVariant> values)
{
    int i = 0;
    for (const QVariant& v : values)
        q.bindValue(i++, v);
    check(q);
}

std::vector<int> ids(QSqlDatabase& db, const QString& table)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT Id FROM %1 ORDER BY Id").arg(table)))
        qFatal("household: %s", qPrintable(table));
    std::vector<int> all;
    while (q.next())
        all.push_back(q.value(0).toInt());
    if (all.empty())
        qFatal("household: the template has no row in %s", qPrintable(table));
    return all;
}

QString words(QRandomGenerator& random, int count)
{
    QStringList chosen;
    for (int i = 0; i < count; ++i)
        chosen << QString::fromUtf8(kWords[random.bounded(static_cast<int>(std::size(kWords)))]);
    return chosen.join(u' ');
}

QString iso(const QDate& day)
{
    return day.toString(Qt::ISODate);
}

// A picture as a camera or a scanner gives it: soft shapes on a tint.
QImage drawing(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed + 1)};
    image.fill(QColor::fromHsv(seed * 47 % 360, 50, 210));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        p.setBrush(QColor::fromHsv(int(random.bounded(360)), 60 + int(random.bounded(150)),
                                   80 + int(random.bounded(170))));
        p.drawEllipse(int(random.bounded(width)), int(random.bounded(height)),
                      width / 6 + int(random.bounded(width / 2)),
                      height / 6 + int(random.bounded(height / 2)));
    }
    p.setPen(Qt::black);
    for (int line = 0; line < 10; ++line)
        p.drawText(20, 30 + line * (height / 12),
                   QStringLiteral("Compte rendu %1 — ligne %2").arg(seed).arg(line));
    return image;
}

// A stored picture and the thumbnail its row holds, as the program makes
// them: the JPEG from the program's encoder, the thumbnail fitted and
// centred on white, as a 24-bit BMP stream.
struct Picture
{
    QByteArray jpeg;
    QByteArray thumbnail;
};

Picture picture(int width, int height, int thumbnailSide, int seed)
{
    const Bitmap bitmap = fromQImage(drawing(width, height, seed));
    return {encodeJpeg(bitmap, 85),
            BmpFormat::encode(thumbnailOnWhite(bitmap, thumbnailSide, thumbnailSide))};
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("household: cannot write %s", qPrintable(path));
}

// One attached file as the program archives it: a report of some twenty
// kilobytes in a one-entry cabinet.
QByteArray attachedArchive()
{
    QTemporaryDir scratch;
    const QString text = scratch.filePath(QStringLiteral("compte-rendu.txt"));
    QByteArray content;
    for (int line = 0; line < 400; ++line)
        content += QStringLiteral("Compte rendu de consultation, ligne %1 : examen clinique normal.\n")
                       .arg(line)
                       .toUtf8();
    writeFile(text, content);
    const QString archive = scratch.filePath(QStringLiteral("File.f"));
    Cabinet::create(archive, {{text, QStringLiteral("compte-rendu.txt")}});
    QFile file(archive);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

class Filler
{
public:
    Filler(QSqlDatabase& db, const QString& databaseFolder) : m_db(db), m_folder(databaseFolder)
    {
        m_illnesses = ids(db, QStringLiteral("LST_ILLNESS"));
        m_drugs = ids(db, QStringLiteral("LST_DRUG"));
        m_vaccines = ids(db, QStringLiteral("LST_VACCINE"));
        m_analyses = ids(db, QStringLiteral("LST_ANALYSIS"));
        for (int seed = 0; seed < kVariants; ++seed) {
            m_photos.push_back(picture(240, 320, 115, seed));
            m_documents.push_back(picture(480, 360, 90, seed + kVariants));
        }
        QImage icon(32, 32, QImage::Format_RGB32);
        icon.fill(Qt::white);
        QPainter(&icon).fillRect(8, 4, 16, 24, QColor(0x30, 0x60, 0xa0));
        m_fileIcon = BmpFormat::encode(fromQImage(icon));
        m_archive = attachedArchive();
    }

    void references()
    {
        QSqlQuery q(m_db);
        BenchSupport::insertPractitioners(q);
        QSqlQuery pharmacy =
            prepared(m_db, "INSERT INTO LST_PHARMACY (Name, City, Category) VALUES (?, ?, ?)");
        for (int i = 0; i < 8; ++i)
            bind(pharmacy, {QStringLiteral("Pharmacie %1").arg(i), QStringLiteral("Tours"),
                            i % 2 ? QStringLiteral("Officine") : QString()});
        m_doctors = ids(m_db, QStringLiteral("LST_DOCTOR"));
        m_pharmacies = ids(m_db, QStringLiteral("LST_PHARMACY"));
    }

    void persons(int from, int to)
    {
        QSqlQuery person = prepared(
            m_db,
            "INSERT INTO PERSON (Id_File, Name, ForeName, BirthDay_Date, BirthDay_City, BirthDay_Weight, "
            "BirthDay_Size, [No], Blood, Previous, WeightMode, SizeMode, AnalysisMode, Misc01, Misc02, "
            "Misc03, Misc11, ImgMini1, Sex) VALUES (0, ?, ?, ?, 'Tours', 3.4, 51, ?, ?, ?, 1, 1, 1, ?, ?, "
            "?, ?, ?, ?)");
        QSqlQuery act = prepared(
            m_db,
            "INSERT INTO [ACTION] (Id_File, Id_Ref, Tag, Id_Org, Id_Illness, Id_Drug, Date_Action, "
            "Time_Action, Remark1, Remark2, Gravity, Price, Repayment, Date_Repayment, Price_Repayment, "
            "Repayment_Comp, Date_Repayment_Comp, Price_Repayment_Comp, Category, Duration, [Repeat]) "
            "VALUES (0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, ?, ?, 1, ?, ?, ?, ?, ?)");
        QSqlQuery weight = prepared(
            m_db, "INSERT INTO WEIGHT (Id_File, Id_Ref, Date_Weight, Weight, Remark) VALUES (0, ?, ?, ?, ?)");
        QSqlQuery size = prepared(
            m_db, "INSERT INTO [SIZE] (Id_File, Id_Ref, Date_Size, [Size], Remark) VALUES (0, ?, ?, ?, ?)");
        QSqlQuery followed = prepared(
            m_db,
            "INSERT INTO L_ANALYSIS (Id_File, Id_Ref, Id_Analysis, Title, Description, Category, Unit, "
            "Decimal, Value_Min, Value_Max) SELECT 0, ?, Id, Title, Description, Category, Unit, Decimal, "
            "Value_Min, Value_Max FROM LST_ANALYSIS WHERE Id = ?");
        QSqlQuery analysis = prepared(
            m_db,
            "INSERT INTO ANALYSIS (Id_File, Id_Ref, Date_Analysis, Value_Analysis, Value_Min, Value_Max, "
            "Remark1) VALUES (0, ?, ?, ?, 4, 6, ?)");
        QSqlQuery vaccine = prepared(
            m_db, "INSERT INTO VACCINE (Id_File, Id_Ref, Id_Org, Id_Vaccine, Date_Vaccine, Time_Vaccine, "
                  "Repeat_Date, Remark1) VALUES (0, ?, ?, ?, ?, '09:30', ?, ?)");
        QSqlQuery event = prepared(m_db, "INSERT INTO EVENT (Id_File, Id_Ref, Date_Event, Time_Event, "
                                         "Description) VALUES (0, ?, ?, '18:00', ?)");
        QSqlQuery document = prepared(
            m_db, "INSERT INTO DOCUMENTIMG (Id_File, Id_Ref, Title, ImgMini, DoType) VALUES (0, ?, ?, ?, 1)");
        QSqlQuery file = prepared(
            m_db, "INSERT INTO DOCUMENTFILE (Id_File, Id_Ref, Title, FileIcon, FileName, FileType, FileSize, "
                  "Remark, "
                  "DoType) VALUES (0, ?, ?, ?, 'compte-rendu.txt', 'Document texte', '25 Ko', '', 1)");
        QSqlQuery text = prepared(
            m_db, "INSERT INTO DOCUMENTTEXT (Id_Document, DoKind, Content, State) VALUES (?, ?, ?, 1)");

        for (int p = from; p < to; ++p) {
            QRandomGenerator random{quint32(p + 7)};
            const QDate born(1940 + p % 83, 1 + p % 12, 1 + p % 28);
            const Picture& photo = m_photos.at(p % kVariants);
            bind(person, {QStringLiteral("%1 %2")
                              .arg(QString::fromUtf8(kSurnames[p % std::size(kSurnames)]))
                              .arg(p / 4),
                          QString::fromUtf8(kForeNames[p % std::size(kForeNames)]),
                          born.toString(QStringLiteral("dd/MM/yyyy")),
                          QStringLiteral("%1 %2 37 261 %3 42")
                              .arg(p % 2 + 1)
                              .arg(born.toString(QStringLiteral("yy MM")))
                              .arg(p % 1000, 3, 10, QLatin1Char('0')),
                          QStringLiteral("O+"), QStringLiteral("Appendicite en 1998. ") + words(random, 20),
                          QStringLiteral("Docteur %1").arg(p % 40), QStringLiteral("Mutuelle %1").arg(p % 9),
                          QStringLiteral("Pénicilline"), words(random, 12), photo.thumbnail, p % 2 + 1});
            const int id = person.lastInsertId().toInt();
            writeFile(m_folder + QStringLiteral("Images/People%1.jpg").arg(id), photo.jpeg);

            const QDate first(2005, 1, 1);
            for (int a = 0; a < PerPerson::consultations + PerPerson::purchases; ++a) {
                const bool consultation = a < PerPerson::consultations;
                const QDate day = first.addDays(a * 73 + p % 60);
                const double price = consultation ? 25.0 + a % 4 * 5 : 4.5 + a % 9;
                bind(act,
                     {id, consultation ? 1 : 2,
                      consultation ? m_doctors.at(size_t(a + p) % m_doctors.size())
                                   : m_pharmacies.at(size_t(a + p) % m_pharmacies.size()),
                      consultation ? QVariant(m_illnesses.at(size_t(a * 3 + p) % m_illnesses.size()))
                                   : QVariant(),
                      consultation ? QVariant() : QVariant(m_drugs.at(size_t(a * 5 + p) % m_drugs.size())),
                      iso(day),
                      QStringLiteral("%1:%2")
                          .arg(8 + a % 10, 2, 10, QLatin1Char('0'))
                          .arg(a % 4 * 15, 2, 10, QLatin1Char('0')),
                      QString::fromUtf8(kRemarks[(a + p) % std::size(kRemarks)]),
                      a % 4 == 0 ? words(random, 6) : QString(),
                      consultation ? QStringLiteral("Bénigne") : QString(), price, iso(day.addDays(12)),
                      price * 0.7, iso(day.addDays(20)), a % 5 == 0 ? QVariant() : QVariant(price * 0.3),
                      consultation ? QStringLiteral("Cabinet médical") : QString(),
                      consultation ? QVariant() : QVariant(7 + a % 3 * 7),
                      consultation ? QVariant() : QVariant(a % 3)});
            }
            for (int w = 0; w < PerPerson::weights; ++w)
                bind(weight, {id, iso(born.addMonths(1 + w * 7)), 4.2 + w * 2.1,
                              w == 0 ? QStringLiteral("Visite") : QString()});
            for (int s = 0; s < PerPerson::sizes; ++s)
                bind(size, {id, iso(born.addMonths(1 + s * 7)), 54.0 + s * 6.5, QString()});
            bind(followed, {id, m_analyses.at(size_t(p) % m_analyses.size())});
            const int followedId = followed.lastInsertId().toInt();
            for (int v = 0; v < PerPerson::analysisValues; ++v)
                bind(analysis, {followedId, iso(QDate(2020, 3, 1).addMonths(v * 5 + p % 12)), 4.1 + v * 0.6,
                                v == 0 ? QStringLiteral("À jeun") : QString()});
            for (int v = 0; v < PerPerson::vaccinations; ++v) {
                const QDate day = QDate(2012, 5, 1).addDays(v * 900 + p % 100);
                bind(vaccine, {id, m_doctors.at(size_t(v + p) % m_doctors.size()),
                               m_vaccines.at(size_t(v + p) % m_vaccines.size()), iso(day),
                               iso(day.addYears(5)), QStringLiteral("Rappel")});
            }
            for (int e = 0; e < PerPerson::events; ++e)
                bind(event, {id, iso(QDate(2015, 6, 1).addDays(e * 700 + p % 300)),
                             e ? QStringLiteral("Déménagement") : QStringLiteral("Début de la crèche")});

            const Picture& scan = m_documents.at(p % kVariants);
            bind(document, {id, QStringLiteral("Ordonnance du docteur %1").arg(p % 40), scan.thumbnail});
            const int documentId = document.lastInsertId().toInt();
            writeFile(m_folder + QStringLiteral("Images/Doc%1.jpg").arg(documentId), scan.jpeg);
            bind(text, {documentId, 1, QStringLiteral("Ordonnance ") + words(random, 60)});
            if (p % 2 == 0) {
                bind(file, {id, QStringLiteral("Compte rendu %1").arg(p), m_fileIcon});
                const int fileId = file.lastInsertId().toInt();
                writeFile(m_folder + QStringLiteral("Files/File%1.f").arg(fileId), m_archive);
                bind(text, {fileId, 2, QStringLiteral("Compte rendu de consultation ") + words(random, 40)});
            }
        }
    }

private:
    QSqlDatabase& m_db;
    QString m_folder;
    std::vector<int> m_doctors, m_pharmacies, m_illnesses, m_drugs, m_vaccines, m_analyses;
    std::vector<Picture> m_photos, m_documents;
    QByteArray m_fileIcon;
    QByteArray m_archive;
};

} // namespace

Counts countsFor(int persons)
{
    Counts c;
    c.persons = persons;
    c.acts = qint64(persons) * (PerPerson::consultations + PerPerson::purchases);
    c.measures = qint64(persons) * (PerPerson::weights + PerPerson::sizes + PerPerson::analysisValues);
    c.pictures = qint64(persons) * 2;
    c.files = (persons + 1) / 2;
    c.vaccinations = qint64(persons) * PerPerson::vaccinations;
    c.events = qint64(persons) * PerPerson::events;
    return c;
}

Counts fill(const QString& databaseFolder, int persons)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(databaseFolder + QStringLiteral("Access/BRIVOLINE.MDB"));
        if (!db.open())
            qFatal("household: cannot open the database of %s", qPrintable(databaseFolder));
        // The index is built once from all the rows, far sooner than entry
        // by entry through its triggers.
        SearchIndex::remove(db);
        Filler filler(db, databaseFolder);
        db.transaction();
        filler.references();
        for (int from = 0; from < persons; from += kPersonsPerTransaction) {
            filler.persons(from, std::min(persons, from + kPersonsPerTransaction));
            if (!db.commit() || !db.transaction())
                qFatal("household: commit failed");
        }
        db.commit();
        SearchIndex::install(kConnection);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
    return countsFor(persons);
}

} // namespace HouseholdBuilder
