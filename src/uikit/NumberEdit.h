#pragma once

#include <QLineEdit>

// A whole-number field from 0 to a maximum: only digits can be typed, up to
// a number of characters, and an edit that would go above the maximum is
// refused (the field keeps its previous text).
class NumberEdit : public QLineEdit
{
    Q_OBJECT
public:
    NumberEdit(int maximum, int maxLength, QWidget* parent = nullptr);

    int maximum() const { return m_maximum; }
    bool isEmpty() const { return text().isEmpty(); }
    // 0 when empty.
    int value() const;
    // A value from outside is brought into the range 0 to the maximum.
    void setValue(int value);

private:
    int m_maximum;
};
