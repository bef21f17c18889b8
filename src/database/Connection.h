#pragma once

#include "Errors.h"

#include <QSqlDatabase>
#include <QString>

// Where the record database lives and how it is reached, as derived from db.ini.
struct DbConfig
{
    enum class Kind
    {
        OleDb,
        Odbc,
        Unknown
    };

    Kind kind = Kind::OleDb;
    QString providerText = QStringLiteral("OLEDB"); // as written in db.ini, for messages
    QString databaseFolder;                         // ends with '/'
    QString oledbFileName = QStringLiteral("Access/BRIVOLINE.MDB");
    QString odbcPath = QStringLiteral("Access/BRIVOLINE.MDB");
    QString odbcName = QStringLiteral("BRIVOLINE");
    QString odbcDriver = QStringLiteral("Microsoft Access Driver (*.mdb)");
    QString oledbProvider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");

    // The file the provider itself names (used to decide on provisioning).
    QString providerFileName() const { return kind == Kind::Odbc ? odbcPath : oledbFileName; }
    // The file every other check, the connection, backup and compaction use.
    QString databaseFile() const { return databaseFolder + oledbFileName; }
};

class QSqlError;

// Raised by Connection::open when the engine finds the file damaged (its
// catalogue cannot be read), as opposed to a file that is no database.
class DamagedDatabaseError : public DatabaseError
{
public:
    using DatabaseError::DatabaseError;
};

// The one shared connection of the program.
namespace Connection {
// (Re)opens the connection and checks that the file really is a database the
// program can read and write. A missing, empty, unreadable, damaged or
// read-only file throws DatabaseError with the French text to show
// (DamagedDatabaseError for a damaged one).
void open(const DbConfig& config);
// What went wrong, in French for what the user can act on (a full disk, a
// read-only or damaged file, a missing table); SQLite's own text otherwise.
QString errorText(const QSqlError& error);
// The engine's primary result codes (SQLITE_PERM...) the program tells apart.
enum class EngineCode : int
{
    NoCode = 0,
    Permission = 3,
    Abort = 4,
    Busy = 5,
    Locked = 6,
    NoMemory = 7,
    ReadOnly = 8,
    Interrupted = 9,
    InputOutput = 10,
    Corrupt = 11,
    Full = 13,
    CannotOpen = 14,
    TooBig = 18,
    Constraint = 19,
    Mismatch = 20,
    Authorization = 23,
    NotADatabase = 26,
};
// The engine's primary result code of the error, an extended one folded
// into it; NoCode when the error carries none.
EngineCode engineCode(const QSqlError& error);
// What the engine's integrity check finding damage means, in French (its
// own report names pages and b-trees).
QString damageFoundText();
// Throws what a refused or failed statement on `db` means, in errorText's
// words: DamagedDatabaseError for a page the engine cannot read
// (SQLITE_CORRUPT, SQLITE_NOTADB), DatabaseError otherwise.
// Damage met on the program's connection is remembered (damageMet) and
// makes the next start read the whole file.
[[noreturn]] void throwError(const QSqlDatabase& db, const QSqlError& error);
// Whether a damaged page was met on the program's connection in this process.
bool damageMet();
void close();
bool isOpen();
// The first table or column the program needs that the open database lacks
// ("la table « ACTION »"), or nothing when it has them all; on the
// program's connection or another one.
QString missingSchemaPart();
QString missingSchemaPart(const QSqlDatabase& db);
QSqlDatabase database();
// What the engine's quick check finds wrong in an open database (the
// engine's own lines, at most five); empty when it finds it sound. It reads
// every page of the file.
QString damageOf(const QSqlDatabase& db);
// The same for the catalogue alone (a few pages): what a start checks of a
// database closed in order since; the statements it runs then report any
// damaged page they meet.
QString damageOfCatalogue(const QSqlDatabase& db);
// The same from the engine's full integrity check, slower and thorough.
QString integrityDamageOf(const QSqlDatabase& db);
// The SQLite library version the data access rests on, and whether it is
// recent enough (3.27 or later).
QString engineVersion();
bool engineVersionSufficient();
} // namespace Connection
