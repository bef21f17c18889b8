#pragma once

#include "Folders.h"
#include "WindowsDatabase.h"

struct DbConfig;

// The Windows version's database found where the program expects its own
// (the Windows data folder copied over): at start, what was found is said
// and its conversion offered before anything opens it.
namespace StartupAdoption {

// Converts the Windows database at `db`'s place in a staging folder of the
// database folder (".conversion/"), keeps a copy of it in the data folder's
// Backup/ under a dated name, moves the pictures its update took out of
// the rows into Images/ (a picture already there stays), then puts the
// converted database in its place. Each step can be interrupted: until the
// last rename the Windows file stays where it is, to be offered again.
// Returns the kept copy. Throws AppError; the Windows file is then where it
// was (pictures already moved into Images/ are those its next conversion
// gives again, and takes as they are).
QString adopt(const Folders& folders, const DbConfig& db, const WindowsDatabase::Progress& progress);

// Nothing to do (true) unless a Jet file sits at the database's place.
// Then the question, and on Yes the conversion with its progress window.
// False when start-up must stop: the answer No, a file that cannot be
// taken, a failure or a cancel, each said to the user, nothing changed.
bool offerAtStart(const Folders& folders, const DbConfig& db);

} // namespace StartupAdoption
