#pragma once

#include <QColor>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

// A report's page design, read from an XML layout file (".frf"): the page,
// and bands of objects in the order they print. Lengths are millimetres,
// font sizes points. The format:
//
//   <report>
//     <page width="210" height="297" left="12" top="10" right="12" bottom="10"/>
//     <pageHeader height="8"> objects </pageHeader>
//     <title height="20"> ... </title>
//     <masterHeader dataset="frDBDataSet" height="7" repeat="true"> ... </masterHeader>
//     <masterData dataset="frDBDataSet" height="6"> ... </masterData>
//     <detailHeader dataset="frDSConsult" height="7" repeat="true"> ... </detailHeader>
//     <detailData dataset="frDSConsult" height="6"> ... </detailData>
//     <detailFooter dataset="frDSConsult" height="6"> ... </detailFooter>
//     <noData dataset="frDSConsult" height="6"> ... </noData>
//     <masterFooter dataset="frDBDataSet" height="7"> ... </masterFooter>
//     <summary height="10"> ... </summary>
//     <pageFooter height="8"> ... </pageFooter>
//   </report>
//
// A master data band prints once for each row of its dataset (once when it
// names none), and after each of its rows the detail blocks that follow it.
// Headers and footers print before and after the rows of their dataset;
// noData prints instead when the dataset has no row. A band with
// newPage="true" starts on a new page.
//
// Objects, positioned in their band:
//   <text x y w h size="9" bold italic align="left|center|right"
//         valign="top|middle|bottom" color fill frame="ltrb" frameWidth
//         padding wrap="true" grow="false" family>Texte [frDSConsult."Price"|money] [TITLE]</text>
//   <picture name="Img_Stat" x y w h frame="ltrb" field='frDBDataSet."ImgMini1"'/>
//   <line x1 y1 x2 y2 width color/>
//   <rect x y w h fill color width/>
// A text with grow="true" takes the height its wrapped text needs, and its
// band grows with it; every object reaching the band's bottom follows, so
// ruled columns stay aligned. Text is always clipped to its own box.
struct ReportFrame
{
    enum Side
    {
        Left = 1,
        Top = 2,
        Right = 4,
        Bottom = 8
    };
    int sides = 0;
    qreal width = 0.2;
    QColor color = Qt::black;
};

struct ReportObject
{
    enum class Kind
    {
        Text,
        Picture,
        Line,
        Rect
    };
    Kind kind = Kind::Text;
    QRectF rect; // in the band; a line runs from rect.topLeft() to rect.bottomRight()
    // Text
    QString text;
    QString family = QStringLiteral("DejaVu Sans");
    qreal size = 9;
    bool bold = false;
    bool italic = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
    QColor color = Qt::black;
    QColor fill; // invalid: none
    ReportFrame frame;
    qreal padding = 0.8;
    bool wrap = true;
    bool grow = false;
    // Picture
    QString name;
    QString field; // a dataset blob column holding the picture, "Dataset.\"Column\""
    // Line and rect
    qreal lineWidth = 0.2;
};

struct ReportBand
{
    enum class Type
    {
        PageHeader,
        Title,
        MasterHeader,
        MasterData,
        MasterFooter,
        DetailHeader,
        DetailData,
        DetailFooter,
        NoData,
        Summary,
        PageFooter
    };
    Type type = Type::Title;
    QString dataset;
    qreal height = 0;
    bool repeat = false;  // a header printed again at the top of each new page
    bool newPage = false; // starts on a new page
    std::vector<ReportObject> objects;
};

struct ReportLayout
{
    QSizeF pageSize{210, 297};
    QMarginsF margins{10, 10, 10, 10};
    std::vector<ReportBand> bands;
    QString source; // the file it came from, for messages

    // Throws ReportError naming the file: missing, unreadable, not a layout.
    static ReportLayout load(const QString& path);
    // `source` names the layout in messages.
    static ReportLayout parse(const QByteArray& xml, const QString& source);

    bool hasPicture(const QString& name) const;
    QRectF contentRect() const; // the page less its margins
};
