#pragma once

#include <QString>

class Dataset;

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

} // namespace BackupHistory
