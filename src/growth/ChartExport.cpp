#include "ChartExport.h"

#include "BitmapQt.h"
#include "BusyCursor.h"
#include "Clock.h"
#include "FileDialogs.h"
#include "JpegIO.h"
#include "LineChart.h"
#include "ProgramState.h"
#include "ReportCommands.h"

#include <QPainter>

namespace ChartExport {

QImage render(const Chart::Data& data, QSize size)
{
    LineChart copy;
    copy.setAttribute(Qt::WA_DontShowOnScreen);
    copy.setFrameShape(QFrame::NoFrame);
    copy.resize(size);
    copy.setTitleShown(true);
    copy.setData(data);
    // Shown off screen, so that the chart lays itself out at that size.
    copy.show();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    copy.render(&painter);
    return image;
}

void SaveChartAsJpeg(const Chart::Data& data, const QString& personText)
{
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Enregistrer l'image sous ...");
    request.filter = QStringLiteral("Image Jpeg|*.jpg");
    request.defaultExtension = QStringLiteral("jpg");
    request.fileName =
        program().folders.data + Chart::proposedFileName(data.title, personText, Clock::today());
    request.confirmOverwrite = true;
    const QString chosen = FileDialogs::choose(request);
    if (chosen.isEmpty())
        return;
    BusyCursor busy;
    SaveJpegFile(fromQImage(render(data, kSavedSize)), chosen, 100);
}

void printChart(const Chart::Data& data, const QString& personText, QWidget* parent)
{
    ReportCommands::printChart([&data](QSize size) { return render(data, size); }, data.title, personText,
                               parent);
}

} // namespace ChartExport
