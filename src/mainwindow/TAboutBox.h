#pragma once

#include <QDialog>

// The about window: product, version and the maker's line.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};
