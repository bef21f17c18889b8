#include "PictureCanvas.h"

#include <QMouseEvent>
#include <QPainter>

PictureCanvas::PictureCanvas(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureCanvas::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void PictureCanvas::setPictureRect(const QRect& rect)
{
    m_rect = rect;
    update();
}

void PictureCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (m_picture.isNull() || m_rect.isEmpty())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(m_rect, m_picture);
}

void PictureCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    // Screen positions: the canvas itself moves while the frame scrolls.
    m_last = event->globalPosition().toPoint();
    setCursor(Qt::ClosedHandCursor);
}

void PictureCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return QWidget::mouseMoveEvent(event);
    const QPoint now = event->globalPosition().toPoint();
    emit dragged(now - m_last);
    m_last = now;
}

void PictureCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    unsetCursor();
    QWidget::mouseReleaseEvent(event);
}

void PictureCanvas::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit doubleClicked();
    QWidget::mouseDoubleClickEvent(event);
}
