#pragma once

#include <functional>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

class QPainter;

// What a report became once prepared: pages of drawing items in page
// millimetres. A page renders the same way on any paint device (preview,
// printer, PDF), scaled to the rectangle it is given.
struct PreparedItem
{
    enum class Kind
    {
        Text,
        Box,
        Line,
        Picture
    };
    Kind kind = Kind::Text;
    QRectF rect; // a line runs from rect.topLeft() to rect.bottomRight()
    // Text: its lines, already broken to the box's width, drawn clipped to the box.
    QStringList lines;
    QFont font; // pixel size in hundredths of a millimetre
    qreal lineHeight = 0;
    Qt::Alignment align;
    QColor color;
    // Box: fill and frame sides (ReportFrame::Side); Line: pen width.
    QColor fill;
    int sides = 0;
    qreal penWidth = 0;
    // Picture, drawn in rect keeping its proportions, centred.
    QImage picture;
};

class PreparedReport
{
public:
    // Reports the work done (steps out of total), so a window can show it
    // and keep painting.
    using Progress = std::function<void(int done, int total)>;

    QString title;
    QSizeF pageSize{210, 297}; // millimetres
    std::vector<std::vector<PreparedItem>> pages;

    int pageCount() const { return static_cast<int>(pages.size()); }
    bool isLandscape() const { return pageSize.width() > pageSize.height(); }
    // The paper and orientation of the pages, without margins.
    QPageLayout pageLayout() const;
    // Draws page `index` (from 0) into `target`, in the painter's coordinates.
    void renderPage(int index, QPainter& painter, const QRectF& target) const;
    // The page as a picture of that width, on white.
    QImage pageImage(int index, int width) const;
    // Every page into a PDF file, written beside and renamed into place.
    // Throws FileError.
    void writePdf(const QString& path, const Progress& progress = {}) const;

    // Every text of the pages, in drawing order (searches and tests).
    QStringList texts(int index) const;
};
