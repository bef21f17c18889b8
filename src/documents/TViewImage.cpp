#include "TViewImage.h"

#include "BitmapQt.h"
#include "BusyCursor.h"
#include "Errors.h"
#include "JpegIO.h"
#include "Messages.h"
#include "PictureCanvas.h"
#include "PictureLayout.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QScreen>
#include <QSizeGrip>

QString TViewImage::missingMessage(const QString& path)
{
    return QStringLiteral("IMPOSSIBLE DE VISUALISER L'IMAGE !\rLe fichier \"%1\" a sans doute été supprimé "
                          "manuellement et n'est plus accessible.")
        .arg(path);
}

TViewImage::TViewImage(QWidget* parent)
    : QDialog(parent), m_canvas(new PictureCanvas(this)), m_grip(new QSizeGrip(this))
{
    setObjectName(QStringLiteral("ViewImage"));
    setWindowTitle(QStringLiteral("Photo"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setModal(true);
    // Narrower or lower than 200 pixels is refused.
    setMinimumSize(201, 201);
    m_canvas->setObjectName(QStringLiteral("Img"));
    m_canvas->setAccessibleName(QStringLiteral("Photo"));
    resize(492, 473);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TViewImage::loadFile(const QString& path)
{
    Bitmap bitmap;
    if (!LoadJpegFile(bitmap, path, true))
        return false;
    m_canvas->setPicture(toQImage(bitmap));
    layOut();
    return true;
}

void TViewImage::view(const QString& path, QWidget* parent)
{
    if (!QFileInfo::exists(path)) {
        Messages::error(missingMessage(path));
        return;
    }
    TViewImage window(parent);
    {
        BusyCursor busy;
        if (!window.loadFile(path))
            throw AppError(QStringLiteral("Le fichier \"%1\" n'est pas une image JPEG lisible.").arg(path));
    }
    window.exec();
}

void TViewImage::layOut()
{
    m_canvas->setGeometry(rect());
    m_canvas->setPictureRect(PictureLayout::view(size(), m_canvas->picture().size()));
    m_grip->move(width() - m_grip->width(), height() - m_grip->height());
    m_grip->raise();
}

void TViewImage::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layOut();
}

void TViewImage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        m_grip->setVisible(!isMaximized());
    QDialog::changeEvent(event);
}
