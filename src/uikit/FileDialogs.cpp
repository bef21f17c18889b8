#include "FileDialogs.h"

#include <QApplication>
#include <QFileDialog>

namespace FileDialogs {
namespace {
Handler g_handler;
} // namespace

QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the last parentheses, so a name that
        // already shows them ("Tout (*.jpg;*.bmp)") keeps its own.
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString choose(const Request& request)
{
    if (g_handler)
        return g_handler(request);
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(request.mode == Request::Mode::Save ? QFileDialog::AcceptSave
                                                             : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mode == Request::Mode::Save     ? QFileDialog::AnyFile
                       : request.mode == Request::Mode::Folder ? QFileDialog::Directory
                                                               : QFileDialog::ExistingFile);
    if (request.mode == Request::Mode::Folder)
        dialog.setOption(QFileDialog::ShowDirsOnly);
    else
        dialog.setNameFilter(qtFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (request.mode == Request::Mode::Folder && !request.fileName.isEmpty())
        dialog.setDirectory(request.fileName);
    else if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void setHandler(Handler handler)
{
    g_handler = std::move(handler);
}

Recorder::Recorder()
{
    setHandler([this](const Request& request) {
        m_requests << request;
        return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    });
}

Recorder::~Recorder()
{
    setHandler({});
}

} // namespace FileDialogs
