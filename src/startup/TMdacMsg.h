#pragma once

#include <QDialog>

// Tells the user that the data-access layer is too old, with the shipped
// page that explains what to install.
class TMdacMsg : public QDialog
{
    Q_OBJECT
public:
    explicit TMdacMsg(const QString& pagePath, QWidget* parent = nullptr);
};
