#pragma once

#include "JetFile.h"

#include <functional>
#include <QString>

// A Jet file written into a new SQLite database of the same layout: every
// user table with its columns under the program's declared types, every
// row with its values as the program keeps them (ISO dates, exact amounts,
// texts in UTF-8, long values byte for byte).
namespace JetConversion {

// Told the table being written, and how many of its rows are done out of
// how many; returns false to stop, which fails the conversion with Cancelled.
using Progress = std::function<bool(const QString& table, qint64 done, qint64 total)>;

class Cancelled : public AppError
{
public:
    Cancelled() : AppError(QStringLiteral("La conversion a été interrompue : rien n'a été changé.")) {}
};

// The version text of the file's version row ("3.20", "3.51"), from the
// column its layout has; "0" when there is none.
QString layoutVersion(const Jet::File& file);

// Whether the file holds this program's records: their person table and
// the table of the version row.
bool isHousehold(const Jet::File& file);

// Writes `file` into the new database `target` (which must not exist) in
// one transaction, with the indexes the template gives the tables it knows,
// and forces it to the disk. On any failure or a cancel, `target` is
// removed. Throws Jet::JetError (a damaged file), Cancelled, AppError.
void convert(const Jet::File& file, const QString& target, const Progress& progress);

// Checks a database made from `file`: the engine's integrity check, and
// every table of `file` there with as many rows. Throws AppError saying
// what differs.
void check(const Jet::File& file, const QString& database);

} // namespace JetConversion
