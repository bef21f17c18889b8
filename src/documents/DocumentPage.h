#pragma once

#include "PersonPage.h"

class Dataset;
class GridPanel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TDataModule1;

// Page "Documents": the person's attached files in a grid (the band
// "F I C H I E R S") above the person's picture documents as thumbnails
// (the band "I M A G E S"). Viewing a picture and sending a document by
// e-mail come with the viewer and the e-mail features: until then their
// commands stay disabled.
class DocumentPage : public PersonPage
{
    Q_OBJECT
public:
    explicit DocumentPage(TDataModule1& dm, QWidget* parent = nullptr);

    void refreshPage(int rowId) override;
    void leavePage() override;
    void refreshCommandStates(bool hasPerson) override;

    GridPanel* files() const { return m_files; }
    // Selects the picture document of that Id and shows it in the viewer.
    void viewImageDocument(int id);
    QListWidget* images() const { return m_images; }

public slots:
    void Btn_Document_File_ExeClick();
    void Btn_Document_File_SaveClick();
    void Btn_Document_Img_AddClick();
    void Btn_Document_Img_EditClick();
    void Btn_Document_Img_DeleteClick();
    void Btn_Document_Img_SaveClick();
    void Btn_Document_Img_ExeClick();
    void Btn_Document_Img_EmailClick();
    void Btn_Document_File_EmailClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildFileBand();
    QWidget* buildImageBand();
    void buildImageMenu();
    bool attachChosenFile(Dataset& row);
    // The document dialog on the row in insert or edit, starting from the
    // stored picture of that Id (-1: none); true when it saved the row.
    bool enterDocument(Dataset& row, int storedId, bool* pictureChanged = nullptr);
    int personId() const;
    int selectedImageId() const; // -1 without a selection
    void loadImages();
    QListWidgetItem* addImageItem(int id, const QString& title, const QByteArray& thumbnail);
    // The stored file of the grid's current row, or an empty text after
    // the message for a missing file, whose first line is `missingTitle`.
    QString archiveOfCurrentFile(const QString& missingTitle);

    TDataModule1& m_dm;
    GridPanel* m_files = nullptr;
    QListWidget* m_images = nullptr;
    QPushButton* m_fileEmail = nullptr;
    QPushButton* m_imgAdd = nullptr;
    QPushButton* m_imgEdit = nullptr;
    QPushButton* m_imgDelete = nullptr;
    QPushButton* m_imgView = nullptr;
    QPushButton* m_imgSave = nullptr;
    QPushButton* m_imgEmail = nullptr;
};
