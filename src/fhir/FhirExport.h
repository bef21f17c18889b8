#pragma once

#include <QJsonObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Where a household's records are: the database and, beside it, the
// pictures (Images/) and attached files (Files/).
struct Records
{
    QSqlDatabase db;
    QString databaseFolder; // ends with '/'
};

struct ExportOptions
{
    bool includeDocuments = true;
    // A picture or attached file larger than this is described but its
    // content left out; 0 keeps every one.
    qint64 documentLimit = 0;
};

struct ExportResult
{
    int personId = -1;
    int resources = 0;
    QStringList leftOut;  // documents described without their content, by title
    QStringList problems; // stored files missing or damaged
};

// A person's whole record as one FHIR R4 Bundle of type "collection".
namespace FhirExport {

// The person a command line names: a number is an Id, any other text is
// matched against "Name ForeName", "ForeName Name" and "Name" without regard
// to case. Throws FhirError when none or several match.
int findPerson(const QSqlDatabase& db, const QString& numberOrName);

QJsonObject bundle(const Records& records, int personId, const ExportOptions& options,
                   ExportResult* result = nullptr);

// Writes the bundle as UTF-8 JSON, replacing the file only once complete.
// Throws FhirError, DatabaseError, FileError.
ExportResult exportPerson(const Records& records, int personId, const QString& file,
                          const ExportOptions& options);
ExportResult exportPerson(const Records& records, const QString& numberOrName, const QString& file,
                          const ExportOptions& options);

} // namespace FhirExport
