#pragma once

#include "EditMask.h"

#include <QLineEdit>

// A line edit with an edit mask of the record fields ("!99/99/0000;1;_"),
// which reads and takes its value in the stored form of that mask.
class MaskedEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit MaskedEdit(QWidget* parent = nullptr);

    void setEditMask(const QString& mask);
    const EditMask& editMask() const { return m_mask; }

    QString storedText() const;
    void setStoredText(const QString& stored);
    // Every required position is typed.
    bool isComplete() const;

    // The same for any line edit, so a data binding can put a field's mask
    // on whatever edit it is given.
    static void applyMask(QLineEdit* edit, const EditMask& mask);
    static QString storedText(const QLineEdit* edit, const EditMask& mask);
    static void setStoredText(QLineEdit* edit, const EditMask& mask, const QString& stored);

private:
    EditMask m_mask;
};
