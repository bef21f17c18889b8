#pragma once

#include <QImage>
#include <QWidget>

// The surface of the picture viewers: a picture drawn stretched to the
// rectangle it is given, on white. Dragging it reports how far the mouse
// moved, so the viewer scrolls by that much.
class PictureCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit PictureCanvas(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    void setPictureRect(const QRect& rect);
    QRect pictureRect() const { return m_rect; }

signals:
    void dragged(QPoint delta);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    QRect m_rect;
    bool m_dragging = false;
    QPoint m_last;
};
