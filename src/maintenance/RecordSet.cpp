#include "RecordSet.h"

#include "Connection.h"
#include "Folders.h"

RecordSet RecordSet::of(const Folders& folders, const DbConfig& db)
{
    return {folders.program, folders.data, db.databaseFolder, db.oledbFileName};
}
