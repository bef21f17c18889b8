#include "HtmlPage.h"

#include "Product.h"

#include <QRegularExpression>
#include <QUrl>

namespace Html {

namespace {

const QString kPopupOptions =
    QStringLiteral("toolbar=no,location=no,directories=no,status=no,menubar=no,scrollbars=yes,resizable=yes");

QString noWrapStyle()
{
    return QStringLiteral(" style=\"white-space:nowrap\"");
}

QString escaped(const QString& plain, bool inAttribute)
{
    QString out;
    out.reserve(plain.size() + plain.size() / 8);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const QChar c = plain.at(i);
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        case '\r':
            // "\r\n" is one line break.
            if (i + 1 < plain.size() && plain.at(i + 1) == QLatin1Char('\n'))
                break;
            Q_FALLTHROUGH();
        case '\n':
            out += inAttribute ? QStringLiteral(" ") : QStringLiteral("<br/>");
            break;
        case '\t':
            out += QLatin1Char(' ');
            break;
        default:
            // Control characters have no place in a page (nor in XML).
            if (c.unicode() >= 0x20 && c.unicode() != 0x7f && c.unicode() != 0xfffe && c.unicode() != 0xffff)
                out += c;
        }
    }
    return out;
}

const char* kHead = R"(<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8"/>
<title>Fiche de santé</title>
<script type="text/javascript">
function centerwindow(page,largeur,hauteur,options){
  var top=(screen.height-hauteur)/2;
  var left=(screen.width-largeur)/2;
  window.open(page,"","top="+top+",left="+left+",width="+largeur+",height="+hauteur+","+options);
}
</script>
</head>
<body topmargin="0" leftmargin="0"><center>
<table width="100%" border="0" cellspacing="0" cellpadding="0"><tr><td>
)";

} // namespace

QString text(const QString& plain)
{
    return escaped(plain, false);
}

QString attribute(const QString& plain)
{
    return escaped(plain, true);
}

QString link(const QString& fileName)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(fileName));
}

QString decimal(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString money(Money::Amount amount)
{
    return text(Money::composedText(amount));
}

QString font(const QString& html, int size, bool bold, const QString& colour)
{
    QString open = QStringLiteral("<font face=\"Arial\" size=\"%1\"").arg(size);
    if (!colour.isEmpty())
        open += QStringLiteral(" color=\"%1\"").arg(colour);
    open += QLatin1Char('>');
    return bold ? open + QStringLiteral("<b>") + html + QStringLiteral("</b></font>")
                : open + html + QStringLiteral("</font>");
}

QString image(const QString& fileName, int width, int height, int border)
{
    return QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" border=\"%4\" alt=\"\"/>")
        .arg(link(fileName))
        .arg(width)
        .arg(height)
        .arg(border);
}

Table::Table(QList<Column> columns, Look look) : m_columns(std::move(columns)), m_look(std::move(look)) {}

void Table::addRow(const QList<Cell>& cells)
{
    m_rows += QStringLiteral("<tr>");
    for (qsizetype i = 0; i < cells.size(); ++i)
        m_rows +=
            QStringLiteral("<td bgcolor=\"%1\" valign=\"top\"%2%3>%4</td>")
                .arg(m_look.valueBackground, cells[i].right ? QStringLiteral(" align=\"right\"") : QString(),
                     cells[i].right ? noWrapStyle() : noWrap(i), font(cells[i].html));
    m_rows += QStringLiteral("</tr>\n");
}

QString Table::noWrap(qsizetype column) const
{
    // A column as narrow as its content (dates, times) keeps each value on
    // one line, which some viewers would otherwise break anywhere; so do
    // amounts.
    return column < m_columns.size() && m_columns[column].widthPercent <= 1 ? noWrapStyle() : QString();
}

QString Table::html() const
{
    QString out =
        QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"1\" cellpadding=\"2\">\n<tr>");
    // The widths are shares: scaled so that they fill the table, as browsers
    // do, since some viewers leave whatever the shares do not claim empty.
    int narrow = 0;
    int shared = 0;
    for (const Column& column : m_columns)
        (column.widthPercent <= 1 ? narrow : shared) += qMax(column.widthPercent, 0);
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        out += QStringLiteral("<td bgcolor=\"%1\" width=\"%2%\"%3>%4</td>")
                   .arg(m_look.headingBackground)
                   .arg(m_columns[i].widthPercent <= 1 || shared == 0
                            ? m_columns[i].widthPercent
                            : m_columns[i].widthPercent * (100 - narrow) / shared)
                   .arg(noWrapStyle(), font(m_columns[i].title, 2, true, m_look.headingText));
    return out + QStringLiteral("</tr>\n") + m_rows + QStringLiteral("</table>\n");
}

Page::Page() : m_html(QString::fromUtf8(kHead)) {}

void Page::section(const QString& name)
{
    if (!m_first)
        m_html += QStringLiteral("<br/>\n");
    m_first = false;
    // A comment may not hold "--".
    m_html +=
        QStringLiteral("<!-- %1 -->\n").arg(QString(name).replace(QLatin1String("--"), QLatin1String("- ")));
}

void Page::band(const QString& name)
{
    m_html += QStringLiteral("<table width=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"2\"><tr>"
                             "<td bgcolor=\"#DDDDDD\" align=\"center\">%1</td></tr></table>\n")
                  .arg(font(text(name), 2, true, QStringLiteral("#000000")));
}

void Page::documentBand(const QString& name)
{
    m_html += QStringLiteral(
                  "<table width=\"100%\" border=\"0\" bordercolor=\"#000000\" cellspacing=\"0\" "
                  "cellpadding=\"2\"><tr><td bgcolor=\"#0099FF\" align=\"center\">%1</td></tr></table>\n")
                  .arg(font(text(name), 2, true, QStringLiteral("#FFFFFF")));
}

void Page::empty(const QString& emptyText, int size)
{
    m_html += QStringLiteral("<center>%1</center>\n").arg(font(text(emptyText), size));
}

void Page::add(const QString& html)
{
    m_html += html;
}

QByteArray Page::finish()
{
    m_html += QStringLiteral("</td></tr></table>\n<br/>\n<center>%1</center>\n</center></body>\n</html>\n")
                  .arg(font(QStringLiteral("Page créée par <a href=\"%1\">%2 %3</a> - %4")
                                .arg(attribute(Product::webAddress), text(Product::name),
                                     text(Product::version), text(Product::makerLine())),
                            1));
    return m_html.toUtf8();
}

QByteArray picturePage(const QString& title, const QString& pictureFile)
{
    return QStringLiteral(
               "<!DOCTYPE html>\n<html style=\"height:100%\">\n<head>\n<meta charset=\"utf-8\"/>\n"
               "<title>%1</title>\n</head>\n"
               "<body topmargin=\"0\" leftmargin=\"0\" style=\"margin:0;height:100%\">\n"
               "<table width=\"100%\" height=\"100%\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">"
               "<tr><td align=\"center\" valign=\"middle\"><img border=\"1\" src=\"%2\" alt=\"%1\"/>"
               "</td></tr></table>\n</body>\n</html>\n")
        .arg(text(title), link(pictureFile))
        .toUtf8();
}

QString popupLink(const QString& page, int width, int height)
{
    return QStringLiteral("javascript:centerwindow('%1',%2,%3,'%4')")
        .arg(link(page))
        .arg(width)
        .arg(height)
        .arg(kPopupOptions);
}

Popup parsePopupLink(const QString& href)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^javascript:centerwindow\('([^']*)',\s*(\d+),\s*(\d+)(?:,.*)?\)$)"));
    const QRegularExpressionMatch m = pattern.match(QUrl::fromPercentEncoding(href.toUtf8()));
    if (!m.hasMatch())
        return {};
    return {m.captured(1), m.captured(2).toInt(), m.captured(3).toInt()};
}

} // namespace Html
