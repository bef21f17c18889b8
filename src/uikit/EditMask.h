#pragma once

#include <QString>
#include <QVector>

// An edit mask written as the record fields declare them, e.g.
// "!99/99/0000;1;_": '0' a required digit, '9' an optional digit, '#' an
// optional digit or sign, 'L'/'l' a required/optional letter, 'A'/'a' a
// required/optional letter or digit, 'C'/'c' a required/optional character,
// '\' makes the next character literal, '>'/'<' upper/lower case; '!' puts
// the blanks of optional positions before what was typed. After the first
// ';', "1" keeps the literals in the stored value ("0" drops them), and after
// the second ';' comes the character shown in a position not yet typed.
//
// Qt's input masks read '9' and '0' the other way round; qtInputMask() gives
// the same mask in Qt's letters, for a QLineEdit.
class EditMask
{
public:
    EditMask() = default;
    explicit EditMask(const QString& mask);

    bool isEmpty() const { return m_positions.isEmpty(); }
    QString qtInputMask() const;
    QChar blank() const { return m_blank; }
    bool savesLiterals() const { return m_saveLiterals; }
    int length() const { return static_cast<int>(m_positions.size()); }

    // The stored value for the text a masked line edit shows (its
    // displayText()): blanks become spaces, literals kept or dropped.
    QString toStored(const QString& shown) const;
    // The text to give a masked line edit for a stored value.
    QString toShown(const QString& stored) const;
    // Every required position of the shown text is filled.
    bool isComplete(const QString& shown) const;

private:
    enum class Kind
    {
        Literal,
        Digit,
        DigitOrSign,
        Letter,
        AlphaNumeric,
        Any
    };
    enum class Case
    {
        Keep,
        Upper,
        Lower
    };
    struct Position
    {
        Kind kind;
        bool required;
        QChar literal;
        Case letterCase;
    };

    // The shown text, one character per position, with '!' applied.
    QString normalised(const QString& shown) const;

    QVector<Position> m_positions;
    bool m_leadingBlanks = false;
    bool m_saveLiterals = true;
    QChar m_blank = QLatin1Char('_');
};
