#pragma once

#include "Settings.h"

#include <functional>
#include <QDialog>

class NumberEdit;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

// "Propriétés": the scanner and e-mail settings. The dialog works on a copy;
// " &Ok" checks it, has it written to the ini file and only then hands it
// back, so a refusal or a failed write keeps the dialog open and changes
// nothing. " &Annuler" changes nothing.
class TEnterProperties : public QDialog
{
    Q_OBJECT
public:
    // `write` stores the whole settings (throws FileError on failure).
    using Writer = std::function<void(const Settings&)>;
    TEnterProperties(const Settings& settings, Writer write, QWidget* parent = nullptr);

    // The settings as confirmed (valid after Ok).
    const Settings& settings() const { return m_settings; }

public slots:
    void Btn_OkClick();
    void Btn_TwainSourceClick();

private:
    // The values of the fields over a copy of the settings; throws AppError
    // with the French text when one is refused.
    Settings edited();
    void updateLogin();

    Settings m_settings;
    Writer m_write;

    QTabWidget* m_pages;
    QLineEdit* m_twainSource;
    QCheckBox* m_showTwainUI;
    NumberEdit* m_maxWidth;
    NumberEdit* m_jpegQuality;
    QLineEdit* m_name;
    QLineEdit* m_email;
    QLineEdit* m_host;
    NumberEdit* m_port;
    QCheckBox* m_startTls;
    QCheckBox* m_auth;
    QLineEdit* m_user;
    QLineEdit* m_password;
};
