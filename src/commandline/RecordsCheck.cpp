#include "RecordsCheck.h"

#include "BackupHistory.h"
#include "Cabinet.h"
#include "Clock.h"
#include "Connection.h"
#include "FileUtils.h"
#include "ImageError.h"
#include "JpegIO.h"
#include "RecordsLock.h"
#include "Restore.h"
#include "StoredFiles.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kConnection = QStringLiteral("brivoline-check");

// Pixels decoded at an eighth of their size and dropped: the whole of the
// compressed data is still read, so damage anywhere in it shows.
class DroppedRows final : public RowSink
{
public:
    void start(int, int, PixelFormat) override {}
    void addRow(const std::uint8_t*) override {}
};

// Why a stored file cannot be read back, or nothing when it can.
QString unreadable(const QString& file, bool picture)
{
    try {
        if (picture) {
            if (QFileInfo(file).size() > kMaxJpegFileSize)
                return QStringLiteral("l'image dépasse la taille que le logiciel lit");
            JpegReader reader(file);
            DroppedRows rows;
            reader.read(1, PixelFormat::Gray8, rows);
        } else if (Cabinet::list(file).isEmpty()) {
            return QStringLiteral("l'archive est vide");
        }
    } catch (const AppError& e) {
        return e.text();
    }
    return {};
}

QString daysAgo(qint64 days)
{
    if (days <= 0)
        return QStringLiteral("aujourd'hui");
    return days == 1 ? QStringLiteral("il y a 1 jour") : QStringLiteral("il y a %1 jours").arg(days);
}

class Checker
{
public:
    explicit Checker(const RecordSet& set) : m_set(set) {}

    void run(const QSqlDatabase& db)
    {
        database(db);
        storedFiles(db);
        unnamedFiles();
        latestBackup(db);
    }
    void problem(const QString& line)
    {
        m_report.lines << line;
        ++m_report.problems;
    }
    void note(const QString& line) { m_report.lines << line; }
    RecordsReport take() { return std::move(m_report); }

private:
    void database(const QSqlDatabase& db)
    {
        if (const QString damage = Connection::integrityDamageOf(db); damage.isEmpty())
            note(QStringLiteral("Base de données : intègre."));
        else
            problem(QStringLiteral("Base de données endommagée : %1.").arg(Connection::damageFoundText()));
    }

    // What each row names, with what says which row it is.
    void storedFiles(const QSqlDatabase& db)
    {
        int named = 0;
        const int before = m_report.problems;
        for (const StoredFiles::Kind& kind : StoredFiles::kinds()) {
            // A person's photo is expected only where the row keeps its thumbnail.
            const QString select =
                kind.table == QLatin1String("PERSON")
                    ? QStringLiteral("SELECT Id, trim(coalesce(Name, '') || ' ' || coalesce(ForeName, '')), "
                                     "length(ImgMini1) > 0 FROM PERSON")
                : kind.table == QLatin1String("DOCUMENTIMG")
                    ? QStringLiteral("SELECT Id, Title, 1 FROM DOCUMENTIMG")
                    : QStringLiteral("SELECT Id, FileName, 1 FROM DOCUMENTFILE");
            const QString what = kind.table == QLatin1String("PERSON") ? QStringLiteral("photo de « %1 »")
                                 : kind.table == QLatin1String("DOCUMENTIMG")
                                     ? QStringLiteral("image « %1 »")
                                     : QStringLiteral("fichier joint « %1 »");
            QSqlQuery rows(db);
            rows.setForwardOnly(true);
            if (!rows.exec(select)) {
                problem(QStringLiteral("La table %1 ne peut pas être lue : %2.")
                            .arg(kind.table, Connection::errorText(rows.lastError())));
                continue;
            }
            while (rows.next()) {
                const QString relative = kind.relativeName(rows.value(0).toLongLong());
                m_named.insert(relative);
                const QString file = m_set.databaseFolder + relative;
                const QString label = what.arg(rows.value(1).toString());
                if (!QFileInfo(file).isFile()) {
                    if (rows.value(2).toBool())
                        problem(QStringLiteral("Manquant : %1 (%2).").arg(relative, label));
                    continue;
                }
                ++named;
                if (const QString why = unreadable(file, kind.picture); !why.isEmpty())
                    problem(QStringLiteral("Illisible : %1 (%2) : %3").arg(relative, label, why));
            }
            if (rows.lastError().isValid())
                problem(QStringLiteral("La table %1 ne peut pas être lue jusqu'au bout : %2.")
                            .arg(kind.table, Connection::errorText(rows.lastError())));
        }
        if (m_report.problems == before)
            note(QStringLiteral("Images et fichiers joints : %1, tous présents et lisibles.").arg(named));
    }

    void unnamedFiles()
    {
        QStringList unnamed;
        for (const StoredFiles::Folder& folder : StoredFiles::folders())
            for (const QString& name :
                 FileUtils::listFiles(folder.in(m_set.databaseFolder), QStringLiteral("*")))
                // The picture being scanned or edited is the program's scratch file.
                if (!m_named.contains(folder.name + name) &&
                    folder.name + name != StoredFiles::scratchPictureName())
                    unnamed << folder.name + name;
        if (unnamed.isEmpty())
            return;
        note(QStringLiteral("Fichiers qu'aucune fiche ne nomme (%1) :").arg(unnamed.size()));
        for (const QString& relative : unnamed)
            note(QStringLiteral("  ") + relative);
    }

    void latestBackup(const QSqlDatabase& db)
    {
        const std::optional<BackupHistory::Archive> latest = BackupHistory::latestArchive(m_set, db);
        if (!latest) {
            note(QStringLiteral("Dernière sauvegarde : aucune sauvegarde de l'historique n'est présente."));
            return;
        }
        note(QStringLiteral("Dernière sauvegarde : \"%1\", du %2 à %3, %4.")
                 .arg(FileUtils::shownPath(latest->path),
                      latest->when.date().toString(QStringLiteral("dd/MM/yyyy")),
                      latest->when.time().toString(QStringLiteral("hh:mm")),
                      daysAgo(latest->when.date().daysTo(Clock::today()))));
    }

    const RecordSet& m_set;
    RecordsReport m_report;
    QSet<QString> m_named;
};

} // namespace

namespace RecordsCheck {

RecordsReport run(const RecordSet& set)
{
    Checker checker(set);
    const QString file = set.databaseFile();
    checker.note(QStringLiteral("Vérification de la base de données \"%1\"").arg(FileUtils::shownPath(file)));
    // Held while the check reads, when free, so that no session changes the
    // records meanwhile; the check only reads, so it goes on beside one.
    RecordsLock lock(file);
    try {
        if (!lock.acquire())
            checker.note(QStringLiteral("Remarque : %1 Les données peuvent changer pendant la vérification.")
                             .arg(lock.inUseMessage().replace(QLatin1Char('\r'), QLatin1Char(' '))));
    } catch (const FileError&) {
        // A read-only place: nothing can change the records there either.
    }
    if (QFileInfo::exists(Restore::stagingFolder(set)))
        checker.problem(
            QStringLiteral("Une restauration a été interrompue : le logiciel la terminera à son prochain "
                           "démarrage."));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        QSqlQuery catalogue(db);
        if (!db.open() || !catalogue.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            checker.problem(
                QStringLiteral("La base de données ne peut pas être lue : %1.")
                    .arg(Connection::errorText(db.isOpen() ? catalogue.lastError() : db.lastError())));
        else {
            catalogue.finish();
            checker.run(db);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
    RecordsReport report = checker.take();
    report.lines << (report.problems == 0 ? QStringLiteral("Résultat : aucun problème.")
                                          : QStringLiteral("Résultat : %1 problème%2.")
                                                .arg(report.problems)
                                                .arg(report.problems > 1 ? QStringLiteral("s") : QString()));
    return report;
}

} // namespace RecordsCheck
