#pragma once

#include "Secret.h"

#include <optional>
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The password of an encrypted backup: chosen at backup (the option, the
// password typed twice, how strong it is), asked at restore.
class TBackupPassword : public QDialog
{
    Q_OBJECT
public:
    enum class Mode
    {
        Choose,
        Ask
    };
    TBackupPassword(Mode mode, QWidget* parent = nullptr);

    struct Choice
    {
        std::optional<Secret> password; // none: a plain archive
    };
    // What the user chose, nothing when cancelled.
    static std::optional<Choice> choose(QWidget* parent);
    // The password of `archive`, nothing when cancelled.
    static std::optional<Secret> ask(const QString& archive, QWidget* parent);

private:
    void updateStates();
    // The typed password, wiped from the fields.
    Secret takePassword();

    Mode m_mode;
    QCheckBox* m_encrypt = nullptr;
    QLineEdit* m_password;
    QLineEdit* m_confirm = nullptr;
    QLabel* m_strength = nullptr;
    QLabel* m_archive = nullptr;
    QPushButton* m_ok;
};
