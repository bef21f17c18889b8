#pragma once

#include "PictureLayout.h"
#include "PictureReport.h"
#include "PreparedReport.h"
#include "StoredFiles.h"

#include <memory>
#include <optional>
#include <QDialog>

class Dataset;
class PictureCanvas;
class QPushButton;
class QScrollArea;
class QSizeGrip;

// The full picture viewer: pages through stored pictures chosen by a
// statement (columns Id and Title), zooms three ways, scrolls by dragging,
// saves a copy and prints one page per picture through the printing it is
// lent (none lent: no printing).
class TPreviewImage : public QDialog
{
    Q_OBJECT
public:
    struct Settings
    {
        QString baseTitle;      // "Document - Image", "Photo"
        StoredFiles::Kind kind; // whose pictures, by the rows' Id
        QString databaseFolder;
        QString selection; // SQL giving Id and Title
        int startId = -1;  // the row shown first; -1: the first row
        PictureLayout::Zoom zoom = PictureLayout::Zoom::WholePicture;
        bool fillWorkArea = true; // else an 800 x 600 client area, centred
    };
    // The picture documents of a person, starting on one of them.
    static Settings documents(const QString& databaseFolder, int personId, int documentId);
    // A person's photo.
    static Settings photo(const QString& databaseFolder, int personId);

    static QString missingMessage(const QString& path);
    // How every viewer prints from now on; none: the print button stays disabled.
    static void lendPrinting(PictureReport::Printing printing);

    // Opens the selection (throws DatabaseError) and shows the first picture's row.
    explicit TPreviewImage(const Settings& settings, QWidget* parent = nullptr);
    ~TPreviewImage() override;
    // Configured, shown modally, freed.
    static void open(const Settings& settings, QWidget* parent);

    QString currentFile() const { return m_file; }
    QString currentTitle() const;
    int rowCount() const;
    void setZoom(PictureLayout::Zoom zoom);
    const PictureCanvas& canvas() const { return *m_canvas; }

public slots:
    void Btn_FirstClick();
    void Btn_PriorClick();
    void Btn_NextClick();
    void Btn_LastClick();
    void Btn_PrintClick();
    void Btn_SaveClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadCurrent();
    void layOut();
    void updateButtons();
    void goTo(void (Dataset::*step)());
    // The current picture on its page; nothing (after the message) when its file is missing.
    std::optional<PreparedReport> currentPage();

    Settings m_settings;
    std::unique_ptr<Dataset> m_query;
    QString m_file;
    PictureLayout::Zoom m_zoom;
    QScrollArea* m_scroll = nullptr;
    PictureCanvas* m_canvas = nullptr;
    QSizeGrip* m_grip = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_first = nullptr;
    QPushButton* m_prior = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_last = nullptr;
};
