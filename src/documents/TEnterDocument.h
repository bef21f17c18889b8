#pragma once

#include "Bitmap.h"
#include "EntryDialog.h"
#include "ImageStore.h"

#include <QSize>

class QLabel;
class QLineEdit;
class QPushButton;

// The document dialog: a picture document's title and picture, on the
// DocumentImg row that the caller has put in insert or edit. The picture
// can be chosen from a file and turned a quarter at a time; Ok saves the
// row with its picture when that changed.
class TEnterDocument : public EntryDialog
{
    Q_OBJECT
public:
    TEnterDocument(Dataset& row, const QString& databaseFolder, const ImageStoreSettings& settings,
                   QWidget* parent = nullptr);

    // The stored picture, shown without counting as a change.
    void setPicture(const Bitmap& picture);
    const Bitmap& picture() const { return m_picture; }
    bool pictureChanged() const { return m_changed; }

protected:
    void saveRow() override;

private:
    // The picture buttons' handlers.
    void Btn_ImgClick();
    void Btn_ScanClick();
    void Btn_Rotation_LeftClick() { rotate(270); }
    void Btn_Rotation_RightClick() { rotate(90); }
    void rotate(int angle);
    // size: the picture's own, which the caption tells (a chosen file is held
    // fitted within the stored bound).
    void pictureReplaced(Bitmap picture, QSize size);
    void showPicture();

    QString m_databaseFolder;
    ImageStoreSettings m_settings;
    Bitmap m_picture;
    QSize m_size;
    bool m_changed = false;
    QLabel* m_imageCaption;
    QLabel* m_image;
};
