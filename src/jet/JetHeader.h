#pragma once

#include <QByteArray>

// The first page of a Jet file, where libmdb leaves two things unsaid: part
// of the page is scrambled with a fixed RC4 key, and in it a Jet 4 file
// keeps its database password, masked once more with its creation date.
namespace JetHeader {

constexpr int kPageSize = 4096;
// Where the scrambled part of the first page begins, and its length in Jet 4.
constexpr int kScrambledStart = 0x18;
constexpr int kScrambledLength = 128;
constexpr int kPasswordOffset = 0x42;
constexpr int kPasswordLength = 40;
constexpr int kCreationDateOffset = 0x72;

// Scrambles or unscrambles (the same operation) the part of a first page
// that the Jet engine keeps under its fixed key. `page` holds at least
// kScrambledStart + kScrambledLength bytes.
void toggleScrambling(QByteArray& page);

// The mask a Jet 4 file lays over its password: the creation date's whole
// days as a 32-bit number, repeated. `unscrambled` is a first page as
// toggleScrambling gives it.
QByteArray passwordMask(const QByteArray& unscrambled);

// Whether a Jet 4 file's first page, as stored, holds a database password.
bool hasPassword(const QByteArray& storedPage);

} // namespace JetHeader
