#include "PasswordStrength.h"

#include <cmath>
#include <QSet>

namespace PasswordStrength {

Level of(const QString& password)
{
    if (password.isEmpty())
        return Level::None;
    bool lower = false, upper = false, digit = false, symbol = false, other = false;
    for (const QChar c : password) {
        if (c.unicode() >= 0x80)
            other = true;
        else if (c.isLower())
            lower = true;
        else if (c.isUpper())
            upper = true;
        else if (c.isDigit())
            digit = true;
        else
            symbol = true;
    }
    const int pool = 26 * lower + 26 * upper + 10 * digit + 33 * symbol + 64 * other;
    // A character already used counts a quarter of a new one.
    QSet<QChar> seen;
    double characters = 0;
    for (const QChar c : password) {
        characters += seen.contains(c) ? 0.25 : 1.0;
        seen.insert(c);
    }
    const double bits = characters * std::log2(double(pool));
    if (bits < 30)
        return Level::VeryWeak;
    if (bits < 50)
        return Level::Weak;
    if (bits < 70)
        return Level::Fair;
    if (bits < 90)
        return Level::Good;
    return Level::Excellent;
}

QString text(Level level)
{
    switch (level) {
    case Level::None:
        return {};
    case Level::VeryWeak:
        return QStringLiteral("Force du mot de passe : très faible");
    case Level::Weak:
        return QStringLiteral("Force du mot de passe : faible");
    case Level::Fair:
        return QStringLiteral("Force du mot de passe : moyenne");
    case Level::Good:
        return QStringLiteral("Force du mot de passe : bonne");
    case Level::Excellent:
        return QStringLiteral("Force du mot de passe : excellente");
    }
    return {};
}

} // namespace PasswordStrength
