#pragma once

#include "FhirExport.h"

#include <QJsonObject>
#include <QStringList>

struct ImportResult
{
    int personId = -1;
    int resources = 0;     // resources taken into the record
    QStringList skipped;   // resources left out, each with why
    QStringList listAdded; // reference list entries the household did not have
};

// A FHIR R4 bundle of one patient read into a new person: the program's
// own bundles give back the record they were written from; resources the
// program keeps nothing of are listed and left out, never guessed at. All
// rows are written in one transaction with their pictures and attached
// files, which are in place before the commit and removed if it fails.
namespace FhirImport {
// Throws FhirError for a file that is no such bundle (nothing written),
// DatabaseError, FileError.
ImportResult importFile(const Records& records, const QString& file);
ImportResult importBundle(const Records& records, const QJsonObject& bundle);
} // namespace FhirImport
