#pragma once

#include "Bitmap.h"
#include "CareQueries.h"
#include "HtmlPage.h"

#include <functional>
#include <QByteArray>
#include <QString>

class Dataset;
class Field;

// What the HTML pages of a person's record share: cells of user text, the
// mark of a file the page could not take, the acts table, a titled section,
// the pictures read and written without stopping the page. The identity
// block is declared in HtmlExport.h.
namespace HtmlExport::Sections {

// A cell of user text, after a blank.
Html::Table::Cell spaced(const QString& plain);
Html::Table::Cell plain(const QString& text);
// The mark that stands for a file the export could not take.
QString mark(const QString& text);

void openStatement(Dataset& d, const QString& statement);

// Cabinets, thumbnails and pictures are read whole into memory: a damaged
// one must not stop the page, it reads as no picture.
Bitmap decodeBmp(const QByteArray& bytes);
// Written as a JPEG of quality 100. Throws FileError.
void writeJpeg(const Bitmap& picture, const QString& path);

// The acts or purchases of an act query, one row each.
QString actsTable(const Dataset& d, CareQueries::ActKind kind);
// The section's title, its band, then the table, or `emptyText` when there are no rows.
void addSection(Html::Page& page, const QString& title, const Dataset& rows, const QString& emptyText,
                const std::function<QString()>& table);

} // namespace HtmlExport::Sections
