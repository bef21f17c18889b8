#include "PictureReport.h"

namespace PictureReport {

ReportLayout layout(bool landscape)
{
    ReportLayout l;
    l.source = QStringLiteral("Img");
    l.pageSize = landscape ? QSizeF(296.9, 210) : QSizeF(210, 296.9);
    l.margins = QMarginsF(5, 5, 5, 5);
    ReportObject picture;
    picture.kind = ReportObject::Kind::Picture;
    picture.name = QStringLiteral("Img");
    picture.rect = QRectF(QPointF(0, 0), l.contentRect().size());
    ReportBand band;
    band.type = ReportBand::Type::Title;
    band.height = picture.rect.height();
    band.objects.push_back(picture);
    l.bands.push_back(band);
    return l;
}

PreparedReport prepare(const QImage& picture, const QString& title)
{
    Report report(layout(picture.width() > picture.height()));
    report.setTitle(title);
    report.setPicture(QStringLiteral("Img"), picture);
    return report.prepare();
}

} // namespace PictureReport
