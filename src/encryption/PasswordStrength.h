#pragma once

#include <QString>

// A rough measure of how hard a password is to guess, for the hint shown
// while it is typed: the characters' variety times its length, repeats
// counting little.
namespace PasswordStrength {

enum class Level
{
    None,
    VeryWeak,
    Weak,
    Fair,
    Good,
    Excellent
};

Level of(const QString& password);
// "Force du mot de passe : faible"; empty for no password.
QString text(Level level);

} // namespace PasswordStrength
