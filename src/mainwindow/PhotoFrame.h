#pragma once

#include <QGroupBox>

class Dataset;
class PictureCanvas;
class QMenu;
class QPushButton;
class TDataModule1;

// The "Photo" frame of page "Général": the person's small photo (or the
// default picture), choosing, viewing, printing, saving and deleting it.
class PhotoFrame : public QGroupBox
{
    Q_OBJECT
public:
    static constexpr int kSide = 115;

    explicit PhotoFrame(TDataModule1& dm, QWidget* parent = nullptr);

    // The buttons follow the person; the menu entries follow the delete button.
    void setPersonEnabled(bool enabled);
    // What the frame shows: the small photo, or the default picture.
    QImage shownPicture() const;
    bool hasPhoto() const;
    QMenu* menu() const { return m_menu; }

signals:
    // The photo was chosen or deleted: the commands may change.
    void photoChanged();

private:
    // The handlers of the buttons, the picture and its menu's entries.
    void Btn_Select_ImgClick();
    void Btn_Delete_ImgClick();
    void ImgDB_Photo_MiniDblClick();
    void Popup_Img_PrintClick();
    void Popup_Img_SaveClick();
    void showThumbnail();
    QString photoFile() const;
    int personId() const;
    void openPhotoRow(Dataset& row);
    // Rebuilds the person list on the current person, so its thumbnail follows.
    void rebuildPersonList();

    TDataModule1& m_dm;
    Dataset& m_person;
    PictureCanvas* m_frame;
    QPushButton* m_select;
    QPushButton* m_delete;
    QMenu* m_menu;
    bool m_hasPhoto = false;
};
