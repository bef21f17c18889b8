#pragma once

#include <QString>

// Lets the user save a copy of a stored picture: the save dialog proposes
// the suggested name made safe, and the copy overwrites whatever is chosen.
// A missing stored file gives the program's error box instead.
void SaveImageFileAs(const QString& storedFile, const QString& suggestedName);
