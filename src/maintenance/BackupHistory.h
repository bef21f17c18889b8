#pragma once

#include <optional>
#include <QDateTime>
#include <QString>

class Dataset;
class QSqlDatabase;
struct RecordSet;

// The rows of BACKUP that tell what was saved, restored or compacted, when
// and into which file.
namespace BackupHistory {

inline const QString kBackup = QStringLiteral("Sauvagarde de la base de données");
inline const QString kRestore = QStringLiteral("Restauration de la base de données");
inline const QString kCompaction = QStringLiteral("Compactage de la base de données");
inline const QString kSafetyBackup = QStringLiteral("Sauvegarde de sécurité avant restauration");
inline const QString kWindowsImport = QStringLiteral("Importation d'une base de données Windows");

// Opens `backup` (a dataset on "SELECT * FROM BACKUP", on whichever
// connection), adds a row dated now with the description and the path,
// saves it and closes the dataset. Throws DatabaseError.
void add(Dataset& backup, const QString& description, const QString& path);

// Whether the archive a row names is encrypted, as its file says: "Oui" or
// "Non"; nothing when the file is gone or is no archive (a compaction's row
// names the database).
QString encryptedText(const QString& path);

struct Archive
{
    QString path;
    QDateTime when;
};
// The most recent of the user's backups that is still there: from the rows
// of BACKUP the program's connection can read, when it is open; from the
// archives of the backup folder (safety archives left out) when the history
// cannot be read at all. Never throws: a damaged database is why it is asked.
std::optional<Archive> latestArchive(const RecordSet& set);
// The same from the rows `db` reads, when it is open.
std::optional<Archive> latestArchive(const RecordSet& set, const QSqlDatabase& db);

} // namespace BackupHistory
