#pragma once

#include <QString>
#include <QStringList>

// What the document commands prepare before the send dialog opens: the
// copies to attach, their size texts, and the progress estimate.
namespace MailAttachments {

// The folder the copies go to: the user's own folder under the temporary
// folder (created private to the user), so that another account cannot
// plant a file or a link under the name of a copy. Throws FileError.
QString folder();
// folder() + the name reduced to a bare file name. An existing file of that
// name is made writable and removed first. Throws FileError.
QString prepareTarget(const QString& fileName);
// Copies a stored file to prepareTarget(fileName), overwriting; returns the copy.
QString temporaryCopy(const QString& storedFile, const QString& fileName);

// The size text of a file: bytes / 1000 rounded to the nearest integer (a
// half to the even neighbour) + " Ko".
QString kiloText(qint64 bytes);
// The sum over the size texts whose part before " Ko" is a number (comma or
// point as decimal separator) × 1000, plus a third for base64.
qint64 progressEstimate(const QStringList& sizeTexts);

// "IMPOSSIBLE D'ENVOYER CE FICHIER !" and the sentence naming the stored file.
QString missingFileText(const QString& storedFile);

} // namespace MailAttachments
