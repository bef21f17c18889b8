#include "SaveImageFile.h"

#include "FileDialogs.h"
#include "FileUtils.h"
#include "ImageStore.h"
#include "Messages.h"

#include <QFileInfo>

void SaveImageFileAs(const QString& storedFile, const QString& suggestedName)
{
    if (!QFileInfo::exists(storedFile)) {
        Messages::error(
            QStringLiteral("IMPOSSIBLE DE TROUVER L'IMAGE !\rLe fichier \"%1\" a sans doute été supprimé "
                           "manuellement et n'est plus accessible.")
                .arg(storedFile));
        return;
    }
    FileDialogs::Request request;
    request.mode = FileDialogs::Request::Mode::Save;
    request.title = QStringLiteral("Enregistrer l'image sous ...");
    request.filter = QStringLiteral("Image Jpeg|*.jpg");
    request.defaultExtension = QStringLiteral("jpg");
    request.fileName = cleanFileName(suggestedName);
    const QString chosen = FileDialogs::choose(request);
    if (!chosen.isEmpty())
        FileUtils::copyFile(storedFile, chosen, true);
}
