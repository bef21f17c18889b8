#pragma once

#include <QList>
#include <QString>

// The table DOCUMENTTEXT: the text recognised in each picture document and
// read from each attached file. A document without a row waits for its
// reading; the triggers of the search index drop a picture's row when its
// picture changes, so it is read again. On the program's connection.
namespace DocumentTexts {

enum class Kind
{
    Picture = 1,
    File = 2
};
enum class State
{
    Read = 1,
    Unreadable = 2, // the note says why
    NoText = 3      // a kind of file that holds no text
};

struct Pending
{
    Kind kind = Kind::Picture;
    int id = -1;
    QString fileName; // an attached file's name, for its type
};

// Documents without a reading, newest first, those above the floors only
// (-1: all of that kind).
QList<Pending> pending(int pictureFloor = -1, int fileFloor = -1);
// The highest document Id of that kind, 0 when there is none.
int latestId(Kind kind);

// Stores the reading of a document in its own transaction, unless the
// document is gone or already has one: false then. Throws DatabaseError.
bool store(Kind kind, int id, State state, const QString& content, const QString& note);

} // namespace DocumentTexts
