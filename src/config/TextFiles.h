#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading and writing the small text files the program keeps.
namespace TextFiles {
// Older installations wrote Windows-1252: UTF-8 is taken when valid, else Windows-1252.
QString decode(const QByteArray& bytes);
// Reads and decodes a whole file; a missing file reads as empty, one that
// exists but cannot be read throws FileError.
QString read(const QString& path, bool* exists = nullptr);
// Writes the lines in UTF-8 separated by CR LF, replacing the file
// atomically. Throws FileError.
void saveLines(const QString& path, const QStringList& lines);
} // namespace TextFiles
