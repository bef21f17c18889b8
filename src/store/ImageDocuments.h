#pragma once

#include "Bitmap.h"
#include "ImageStore.h"

#include <QString>

class Dataset;

// A person's picture documents: each one a DOCUMENTIMG row with its title
// and 90 x 90 thumbnail, its picture beside the database
// (StoredFiles::documentPicture).
namespace ImageDocuments {

constexpr int kThumbnailSize = 90;

// The line that ties the DocumentImg dataset to a person (-1: none), and
// the one that opens it on a single document (-1: none, to add one).
QString personFilter(int personId);
QString documentFilter(int documentId);

// The row's defaults: owned by the person, kind 1, no file number.
void initNewRow(Dataset& row, int personId);

// Saves the row being inserted or edited, and with it the picture when one
// is given: the picture goes through its scratch file into its stored file
// (at most settings.maxWidth on its longer side,
// quality settings.jpegQuality) with its thumbnail, all in one
// transaction. On failure nothing is kept, no half-written file stays, and
// the row is back in insert or edit with its values, ready to try again.
// A new row's dataset is left tied to the new row alone (documentFilter).
void save(Dataset& row, const Bitmap* changedPicture, const QString& databaseFolder,
          const ImageStoreSettings& settings);

} // namespace ImageDocuments
