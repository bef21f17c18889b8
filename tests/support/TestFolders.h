#pragma once

#include <functional>
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Shared helpers of the test programs: scratch folders, small files, the built template.
namespace TestFolders {

// A scratch folder removed with the object; path() ends with '/'.
class Scratch
{
public:
    Scratch();
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString make(const QString& relative) const; // creates a subfolder, returns it with '/'

private:
    QTemporaryDir m_dir;
};

void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
bool exists(const QString& path);

// The staged program folder of the build and its template database.
QString programFolder();
QString templateDatabase();
// A copy of the template database at the given path (folders created).
void copyTemplate(const QString& target);

// Runs the body in a child process, as the unprivileged user "nobody" when
// the tests run as root (file rights mean nothing to root), as the current
// user otherwise. Returns the body's result, or -1 when the child could not
// become that user.
int asUnprivilegedUser(const std::function<int()>& body);
constexpr unsigned kNobody = 65534;

// The first words of an engine's English message found in a text meant for
// the user (SQLite's, libgcab's, GLib's), or nothing.
QString englishIn(const QString& text);

} // namespace TestFolders
