#pragma once

#include <optional>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for one line of text; it cannot be confirmed empty.
class TEnterStr : public QDialog
{
    Q_OBJECT
public:
    explicit TEnterStr(QWidget* parent = nullptr);

    QLabel* Lab_Title() const { return m_prompt; }
    QLineEdit* Ed_Str() const { return m_text; }

    // The confirmed text, or nothing when cancelled.
    static std::optional<QString> ask(const QString& prompt, const QString& initial,
                                      QWidget* parent = nullptr);

private:
    QLabel* m_prompt;
    QLineEdit* m_text;
    QPushButton* m_ok;
};
