#pragma once

#include <QDialog>

class PictureCanvas;
class QSizeGrip;

// A plain window showing one picture file fitted to the window.
class TViewImage : public QDialog
{
    Q_OBJECT
public:
    static QString missingMessage(const QString& path);

    explicit TViewImage(QWidget* parent = nullptr);
    // Reads the picture (JPEG); false when it cannot be read.
    bool loadFile(const QString& path);
    // The picture shown modally, with the busy cursor while it loads; a
    // missing file gives the error box instead.
    static void view(const QString& path, QWidget* parent);

    const PictureCanvas& canvas() const { return *m_canvas; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOut();

    PictureCanvas* m_canvas;
    QSizeGrip* m_grip;
};
