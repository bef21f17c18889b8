#include "MailCommands.h"

#include "FileUtils.h"
#include "MailAttachments.h"
#include "MailSettings.h"
#include "Messages.h"
#include "Settings.h"
#include "TSendEmail.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

namespace MailCommands {
namespace {

void openDialog(QWidget* parent, const Settings& settings, const QString& path, const QString& type,
                const QString& size, const QIcon& icon)
{
    TSendEmail dialog(MailSettings::server(settings), settings.smtpName, settings.smtpEmail, parent);
    dialog.addAttachment(path, type, size, icon);
    dialog.exec();
}

} // namespace

bool available(const Settings& settings)
{
    return MailSettings::complete(settings);
}

void sendImageDocument(QWidget* parent, const Settings& settings, const QString& storedFile,
                       const QString& fileTitle)
{
    if (!QFileInfo(storedFile).isFile()) {
        Messages::error(MailAttachments::missingFileText(storedFile));
        return;
    }
    const QString copy = MailAttachments::temporaryCopy(storedFile, fileTitle + QStringLiteral(".jpg"));
    const QIcon icon = QIcon::fromTheme(QStringLiteral("image-x-generic"),
                                        QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    openDialog(parent, settings, copy, QStringLiteral("Image JPEG"),
               MailAttachments::kiloText(FileUtils::fileSize(copy)), icon);
}

void sendFileDocument(QWidget* parent, const Settings& settings, const QString& storedArchive,
                      const QString& fileName, const QString& fileType, const QString& fileSize,
                      const QIcon& icon, const std::function<void(const QString& target)>& extract)
{
    if (!QFileInfo(storedArchive).isFile()) {
        Messages::error(MailAttachments::missingFileText(storedArchive));
        return;
    }
    const QString target = MailAttachments::prepareTarget(fileName);
    extract(target);
    openDialog(parent, settings, target, fileType, fileSize,
               icon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon) : icon);
}

} // namespace MailCommands
