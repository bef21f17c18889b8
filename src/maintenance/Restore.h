#pragma once

#include "Errors.h"
#include "RecordSet.h"
#include "SealedFormat.h"

#include <QString>
#include <QStringList>

class UpdateGauge;

// Restoring a backup archive over the record set. Nothing is replaced
// before everything is checked: the archive is staged in a folder of its
// own inside the database folder, its database checked (while the files it
// names are extracted) and brought up to date there, room for the safety
// archive taken, and only then are the files swapped, by renames, under a
// marker that lets the next start finish a swap that a crash interrupted.
// The swap sets the current data aside rather than deleting them; their
// safety archive is written afterwards (SafetyArchive).
namespace Restore {

// The archive was refused, or something failed before the swap began: the
// current data are as they were.
class NotRestored : public AppError
{
public:
    using AppError::AppError;
};

// What a restore did besides replacing the records.
struct Result
{
    QString safetyArchive;       // where the data as they were are archived (SafetyArchive)
    QStringList notNamed;        // entries no restored record names, by bare name
    QStringList refusedPictures; // named pictures the codec would not take
    // What was left out, briefly, in French; empty when nothing was.
    QString leftOutText() const;
};

// What opens an encrypted archive and seals the safety archive of what its
// restore replaces: the archive's key, from its password, and the safety
// archive's, from the same password under a salt of its own, so that the
// key kept beside the data set aside opens that one archive. The safety
// key is derived on another core while the archive's is, so the restore
// does not wait for it.
class Encryption
{
public:
    // Throws Sealed::WrongPassword when `password` is not the archive's.
    Encryption(const Sealed::Header& header, const Secret& password);

    const Sealed::Key& key() const { return m_key; }
    Sealed::PendingKey& safetyKey() { return m_safetyKey; }

private:
    Sealed::PendingKey m_safetyKey; // first: its derivation starts before the archive's
    Sealed::Key m_key;
};

// Restores `archive` over the record set, whose database must be closed.
// Of the archive, the entry BRIVOLINE.MDB (by bare name, in any case) is
// the database; it is staged alone and checked first. An archive with an
// unsafe or repeated name, without a database, or whose database is
// damaged, not one of this program's or made by a newer version is
// refused. A database of the Windows version (a Jet file) is converted; an
// older database is brought up to date with the program's update scripts.
// Of the other entries, only the files the staged database's rows name are
// taken (a person's photo Images/People<Id>.jpg, a picture document's
// Images/Doc<Id>.jpg, an attached file's Files/File<Id>.f, matched by bare
// name in any case), a picture only when it is a JPEG the codec takes; what they add up to is weighed from
// the archive's directory before anything is decompressed, and an archive whose files could not be backed up
// again is refused. The staged database gets the history row of the restore. An encrypted archive is opened
// with `encryption` and read to its end, every byte checked, before anything is staged; its safety archive is
// encrypted too. The current data are set aside for their safety archive, which is left to write
// (SafetyArchive::finish, or its Background). Throws NotRestored, or AppError when the swap could not be
// completed (the next start completes it).
Result run(const RecordSet& set, const QString& archive, MaintenanceProgress& progress, UpdateGauge* gauge,
           Encryption* encryption = nullptr);

// Replaces the record set, as a restore does, by a database of the Windows
// version: its Jet file `jetFile`, converted and brought up to date, with
// the pictures and attached files of `filesFolder`'s Images/ and Files/
// that its rows name (pictures only when the codec takes them). The Jet file
// and its folder are only read. Same safety archive and swap as a restore;
// the history row tells the import. Throws NotRestored (with the reason a
// file is refused), or AppError as run does.
Result importWindowsDatabase(const RecordSet& set, const QString& jetFile, const QString& filesFolder,
                             MaintenanceProgress& progress, UpdateGauge* gauge);

// Completes a restore whose swap had begun when the process ended, or drops
// the staging of one whose swap had not. Runs at start before the database
// is opened, and before each restore. Throws FileError when a begun swap
// cannot be completed. `progress`, when given, follows the files moved.
void finishInterrupted(const RecordSet& set, MaintenanceProgress* progress = nullptr);

// The staging folder of a restore, inside the database folder so that
// every file is swapped by a rename on the same disk.
QString stagingFolder(const RecordSet& set);

} // namespace Restore
