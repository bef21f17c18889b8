#include "EditMask.h"

EditMask::EditMask(const QString& mask)
{
    QString body = mask;
    // The trailing fields: ";1;_" or ";1".
    const qsizetype last = body.lastIndexOf(QLatin1Char(';'));
    if (last > 0 && body.at(last - 1) != QLatin1Char('\\')) {
        const qsizetype before = body.lastIndexOf(QLatin1Char(';'), last - 1);
        if (before > 0 && last - before == 2) {
            m_saveLiterals = body.at(before + 1) != QLatin1Char('0');
            if (last + 1 < body.size())
                m_blank = body.at(last + 1);
            body.truncate(before);
        } else if (last + 2 == body.size()) {
            m_saveLiterals = body.at(last + 1) != QLatin1Char('0');
            body.truncate(last);
        }
    }

    Case letterCase = Case::Keep;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        auto add = [&](Kind kind, bool required) {
            m_positions.append({kind, required, QChar(), letterCase});
        };
        switch (c.unicode()) {
        case '!':
            m_leadingBlanks = true;
            break;
        case '>':
            if (i + 1 < body.size() && body.at(i + 1) == QLatin1Char('<')) {
                letterCase = Case::Keep;
                ++i;
            } else {
                letterCase = Case::Upper;
            }
            break;
        case '<':
            letterCase = Case::Lower;
            break;
        case '\\':
            if (++i < body.size())
                m_positions.append({Kind::Literal, false, body.at(i), Case::Keep});
            break;
        case '0':
            add(Kind::Digit, true);
            break;
        case '9':
            add(Kind::Digit, false);
            break;
        case '#':
            add(Kind::DigitOrSign, false);
            break;
        case 'L':
        case 'l':
            add(Kind::Letter, c == QLatin1Char('L'));
            break;
        case 'A':
        case 'a':
            add(Kind::AlphaNumeric, c == QLatin1Char('A'));
            break;
        case 'C':
        case 'c':
            add(Kind::Any, c == QLatin1Char('C'));
            break;
        case '_':
            m_positions.append({Kind::Literal, false, QLatin1Char(' '), Case::Keep});
            break;
        default:
            m_positions.append({Kind::Literal, false, c, Case::Keep});
            break;
        }
    }
}

QString EditMask::qtInputMask() const
{
    if (isEmpty())
        return {};
    static const QString qtSpecial = QStringLiteral("AaNnXx90DdHhBb#><![]{}\\;");
    QString qt;
    Case current = Case::Keep;
    for (const Position& p : m_positions) {
        if (p.kind != Kind::Literal && p.letterCase != current) {
            current = p.letterCase;
            qt += current == Case::Upper   ? QLatin1Char('>')
                  : current == Case::Lower ? QLatin1Char('<')
                                           : QLatin1Char('!');
        }
        switch (p.kind) {
        case Kind::Literal:
            if (qtSpecial.contains(p.literal))
                qt += QLatin1Char('\\');
            qt += p.literal;
            break;
        case Kind::Digit:
            qt += p.required ? QLatin1Char('9') : QLatin1Char('0');
            break;
        case Kind::DigitOrSign:
            qt += QLatin1Char('#');
            break;
        case Kind::Letter:
            qt += p.required ? QLatin1Char('A') : QLatin1Char('a');
            break;
        case Kind::AlphaNumeric:
            qt += p.required ? QLatin1Char('N') : QLatin1Char('n');
            break;
        case Kind::Any:
            qt += p.required ? QLatin1Char('X') : QLatin1Char('x');
            break;
        }
    }
    return qt + QLatin1Char(';') + m_blank;
}

QString EditMask::normalised(const QString& shown) const
{
    QString text;
    text.reserve(m_positions.size());
    for (int i = 0; i < length(); ++i) {
        const Position& p = m_positions[i];
        if (p.kind == Kind::Literal) {
            text += p.literal;
            continue;
        }
        const QChar c = i < shown.size() ? shown.at(i) : m_blank;
        text += (c == m_blank || c == QLatin1Char(' ')) ? m_blank : c;
    }
    if (!m_leadingBlanks)
        return text;
    // In each run of typed positions, what was typed moves right past the
    // blanks of optional positions: "5_/3_" reads " 5/ 3".
    for (int start = 0; start < length();) {
        if (m_positions[start].kind == Kind::Literal) {
            ++start;
            continue;
        }
        int end = start;
        while (end < length() && m_positions[end].kind != Kind::Literal)
            ++end;
        QString typed;
        for (int i = start; i < end; ++i)
            if (text.at(i) != m_blank)
                typed += text.at(i);
        const int blanks = end - start - static_cast<int>(typed.size());
        bool fits = true;
        for (int i = start; i < start + blanks; ++i)
            fits = fits && !m_positions[i].required;
        if (fits && blanks > 0)
            text.replace(start, end - start, QString(blanks, m_blank) + typed);
        start = end;
    }
    return text;
}

QString EditMask::toStored(const QString& shown) const
{
    if (isEmpty())
        return shown;
    const QString text = normalised(shown);
    QString stored;
    for (int i = 0; i < length(); ++i) {
        if (m_positions[i].kind == Kind::Literal) {
            if (m_saveLiterals)
                stored += text.at(i);
        } else {
            stored += text.at(i) == m_blank ? QLatin1Char(' ') : text.at(i);
        }
    }
    return stored;
}

QString EditMask::toShown(const QString& stored) const
{
    if (isEmpty())
        return stored;
    QString shown;
    qsizetype j = 0;
    for (const Position& p : m_positions) {
        if (p.kind == Kind::Literal) {
            shown += p.literal;
            if (m_saveLiterals)
                ++j;
            continue;
        }
        const QChar c = j < stored.size() ? stored.at(j) : m_blank;
        ++j;
        shown += c == QLatin1Char(' ') ? m_blank : c;
    }
    return shown;
}

bool EditMask::isComplete(const QString& shown) const
{
    const QString text = normalised(shown);
    for (int i = 0; i < length(); ++i)
        if (m_positions[i].required && text.at(i) == m_blank)
            return false;
    return true;
}
