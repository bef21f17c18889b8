#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QStringList>
#include <QTransform>

// Pages rendered as a scanner gives them, to read back: A4 at 300 dpi,
// black text on white, and the same page slightly turned and speckled.
namespace PageSamples {

inline const QStringList& frenchLines()
{
    static const QStringList lines{
        QStringLiteral("Ordonnance du docteur Lefèvre, dermatologue à Tours"),
        QStringLiteral("Amoxicilline 500 mg : trois gélules par jour pendant sept jours."),
        QStringLiteral("Crème apaisante sur l'eczéma des mains, matin et soir."),
        QStringLiteral("Prochaine échéance : contrôle à l'hôpital en février."),
        QStringLiteral("Le cœur et les poumons sont normaux, aucune fièvre."),
        QStringLiteral("Vaccination contre la grippe à prévoir avant l'hiver."),
    };
    return lines;
}

// The lines, each repeated `copies` times down the page (both halves hold text).
inline QImage a4Page(const QStringList& lines = frenchLines(), int copies = 4)
{
    QImage page(2480, 3508, QImage::Format_Grayscale8);
    page.setDotsPerMeterX(11811);
    page.setDotsPerMeterY(11811);
    page.fill(Qt::white);
    QPainter painter(&page);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(50); // 12 points at 300 dpi
    painter.setFont(font);
    painter.setPen(Qt::black);
    int y = 260;
    for (int copy = 0; copy < copies; ++copy) {
        for (const QString& line : lines) {
            painter.drawText(220, y, line);
            y += 95;
        }
        y += 140;
    }
    return page;
}

// Turned by `degrees` on white, with `speckFraction` of the pixels flipped.
inline QImage skewedAndNoisy(const QImage& page, double degrees = 1.5, double speckFraction = 0.004)
{
    QImage turned(page.size(), QImage::Format_Grayscale8);
    turned.fill(Qt::white);
    {
        QPainter painter(&turned);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(page.width() / 2.0, page.height() / 2.0);
        painter.rotate(degrees);
        painter.translate(-page.width() / 2.0, -page.height() / 2.0);
        painter.drawImage(0, 0, page);
    }
    QRandomGenerator random(27);
    const qint64 specks = static_cast<qint64>(speckFraction * turned.width() * turned.height());
    for (qint64 i = 0; i < specks; ++i) {
        uchar* pixel = turned.scanLine(random.bounded(turned.height())) + random.bounded(turned.width());
        *pixel = *pixel > 127 ? 0 : 255;
    }
    return turned;
}

} // namespace PageSamples
