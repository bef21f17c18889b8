#pragma once

#include "Money.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The pages the program writes for a web browser (the health sheet, the
// tables, the reimbursement synthesis): UTF-8, declared as such, every text
// that comes from the user escaped, and well-formed enough to be read back
// as XML, so that what a browser sees is what the markup says.
namespace Html {

// A text as page content: & < > " ' as entities, control characters
// dropped, line breaks as <br/>.
QString text(const QString& plain);
// The same for an attribute value: line breaks become blanks.
QString attribute(const QString& plain);
// A file of the page's folder as a relative link, percent-encoded.
QString link(const QString& fileName);
// A decimal with '.' as separator and that many decimals, no grouping.
QString decimal(double value, int decimals);
// An amount as the program writes it itself ("12.50 €").
QString money(Money::Amount amount);
// A run of Arial text of that size (1 to 7), bold or not, in a colour ("#FFFFFF") or the default.
QString font(const QString& html, int size = 2, bool bold = false, const QString& colour = {});
// A picture of the page's folder shown at a fixed size.
QString image(const QString& fileName, int width, int height, int border = 0);
// A non-breaking space.
inline const QString nbsp = QStringLiteral("&#160;");

// The colours of a table.
struct TableLook
{
    QString headingBackground = QStringLiteral("#0099FF");
    QString headingText = QStringLiteral("#FFFFFF");
    QString valueBackground = QStringLiteral("#F4F4F4");
};

// A table of heading cells over value cells, full width.
class Table
{
public:
    struct Column
    {
        QString title; // HTML
        int widthPercent = 0;
    };
    struct Cell
    {
        QString html;
        bool right = false;
    };
    using Look = TableLook;

    explicit Table(QList<Column> columns, Look look = {});
    void addRow(const QList<Cell>& cells);
    QString html() const;

private:
    QString noWrap(qsizetype column) const;

    QList<Column> m_columns;
    Look m_look;
    QString m_rows;
};

// One page: the head with the pop-up function `centerwindow`, an outer
// table holding the sections one under the other, and a footer.
class Page
{
public:
    Page();
    // Starts a section: a comment naming it, and a line break after the previous one.
    void section(const QString& name);
    // The grey band that titles a section.
    void band(const QString& name);
    // The blue band that titles a document section.
    void documentBand(const QString& name);
    // The centred text that stands for an empty section.
    void empty(const QString& text, int size = 2);
    void add(const QString& html);
    // The footer and the closing tags, as UTF-8.
    QByteArray finish();

private:
    QString m_html;
    bool m_first = true;
};

// The page of one picture document: the full-size picture centred.
QByteArray picturePage(const QString& title, const QString& pictureFile);

// A link that opens a page of the folder in a centred pop-up window.
QString popupLink(const QString& page, int width, int height);
// The page named by such a link, with its width and height; empty when the
// link is not one.
struct Popup
{
    QString page;
    int width = 0;
    int height = 0;
};
Popup parsePopupLink(const QString& href);

} // namespace Html
