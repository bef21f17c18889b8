#pragma once

#include <functional>
#include <QIcon>
#include <QString>

class QWidget;
struct Settings;

// The e-mail commands of the documents: each prepares the copy to attach
// in the temporary folder and opens the send dialog on it.
namespace MailCommands {

// Whether the e-mail commands are enabled: the [SMTP] settings are complete.
bool available(const Settings& settings);

// A picture document: its stored JPEG copied (overwriting) to the temporary
// folder as `fileTitle` + ".jpg" (the caller has made the title a safe file
// name), attached as "Image JPEG" with its size in Ko. A missing stored file
// gives the "IMPOSSIBLE D'ENVOYER CE FICHIER !" message and no dialog.
void sendImageDocument(QWidget* parent, const Settings& settings, const QString& storedFile,
                       const QString& fileTitle);

// A file document: `extract` writes the archive's first entry to the path it
// is given (temporary folder + `fileName`, an older file of that name
// removed first); it is attached with the stored type and size texts and
// the stored icon (the standard file icon when null). A missing archive
// gives the same message as above.
void sendFileDocument(QWidget* parent, const Settings& settings, const QString& storedArchive,
                      const QString& fileName, const QString& fileType, const QString& fileSize,
                      const QIcon& icon, const std::function<void(const QString& target)>& extract);

} // namespace MailCommands
