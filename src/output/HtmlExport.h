#pragma once

#include "HtmlPage.h"
#include "TDataModuleReport.h"

#include <functional>
#include <QSize>
#include <QString>
#include <QStringList>

class Dataset;
class TDataModule2;
namespace GrowthReference {
class ReferenceTables;
}

// The HTML pages of a person's record, written into the working folder
// "Html/Temp/" of the data folder, the page itself always "index.htm". The
// folder and the copies are in HtmlExport.cpp, the identity block with the
// pieces the pages share in HtmlSections.cpp, the health sheet in
// HtmlHealthSheet.cpp, the tables pages in HtmlTables.cpp.
namespace HtmlExport {

inline const QString kIndex = QStringLiteral("index.htm");
// The weight and size charts of the health sheet.
inline constexpr QSize kChartSize{680, 400};

QString workingFolder(const QString& dataFolder);
// Creates "Html/" and "Html/Temp/" when missing and removes the earlier
// pages and pictures (*.jpg, *.bmp, *.htm) directly in Temp; other files
// stay. Returns the working folder. Throws FileError, in French, naming the
// folder and why, when the folder cannot be made ready for a new page.
QString prepareFolder(const QString& dataFolder);
// Writes a file of the working folder, replacing it. Throws FileError.
void writeFile(const QString& path, const QByteArray& bytes);
// The person's small photo (a BMP stream; empty or unreadable: the
// silhouette) fitted into side x side, as a JPEG of quality 100.
void writePhoto(const QByteArray& thumbnail, int side, const QString& path);
// The person's row, "SELECT * FROM PERSON"; throws DatabaseError when the person is gone.
void openPerson(Dataset& person, int personId);
// The identity block: the photo "face.jpg" at side x side on the left, the
// name and birth tables on the right, in the colours of `look`; with
// `insurers`, the insurers and the family history below them.
QString personBlock(const Dataset& person, int photoSide, const Html::TableLook& look, bool insurers);

// What the health sheet takes from other parts of the program.
struct Sources
{
    QString databaseFolder; // holds the stored files (StoredFiles)
    // The weight and size charts; none: the sheet goes without them.
    TDataModuleReport::ChartPicture charts;
    // The growth references; none: the measures go without their centiles.
    GrowthReference::ReferenceTables* references = nullptr;
};

// The whole health sheet of the person with its pictures, attached files
// and picture pages; each measure of a child with its centile (red beyond
// the 3rd and the 97th) when the references are given. A missing picture, a damaged archive or an unreadable
// thumbnail is marked in the page and the rest is written. Returns the
// path of the page. Throws DatabaseError, FileError, ImageError.
QString writeHealthSheet(int personId, const QString& folder, const Sources& sources);

// The tables pages, from the report queries of TDataModule2, closed again
// once the page is written.
enum class Tables
{
    ActsHistory,
    MedicinesHistory,
    Reminders // what is not yet reimbursed, and the boosters due (their flags as stored)
};
QString writeTables(TDataModule2& dm2, Tables which, int personId, const QString& folder);

// The files of the folder that a page refers to (pictures, attached files,
// picture pages and what they show in turn), without the page itself:
// what a copy of the page needs beside it.
QStringList referencedFiles(const QString& folder, const QString& page);
// Copies the page under `target` with the files it refers to beside it,
// replacing files of those names; the page last, so that a copy never
// refers to files not there yet. Throws FileError.
void saveCopy(const QString& page, const QString& target);

} // namespace HtmlExport
