#pragma once

#include <QString>
#include <QStyle>

class QHBoxLayout;
class QIcon;
class QLabel;
class QPushButton;
class QWidget;

// The small pieces every entry window and page builds its fields with.
namespace FormWidgets {
// A caption above a field: the field is its buddy and takes the caption,
// without its accelerator, on one line and without outer blanks, as its
// accessible name.
QLabel* caption(const QString& text, QWidget* field, QWidget* parent);
// A button that shows a picture alone: the hint is its tooltip and names it
// for assistive technologies.
QPushButton* pictureButton(QWidget* parent, const QString& name, const QString& hint, const QIcon& icon);
// The same with one of the style's standard pictures.
QPushButton* pictureButton(QWidget* parent, const QString& name, const QString& hint,
                           QStyle::StandardPixmap icon);
// The arrow button beside a field that opens its picker; the hint names it.
QPushButton* pickButton(QWidget* parent, const QString& name, const QString& hint);

// " &Ok" (the default button) and " &Annuler" at the right of a row.
struct OkCancel
{
    QHBoxLayout* row;
    QPushButton* ok;
    QPushButton* cancel;
};
OkCancel okCancel(QWidget* parent);
} // namespace FormWidgets
