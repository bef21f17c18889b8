#pragma once

#include <QString>

// Saves the line "admin" into the file and removes it again in every case;
// false, after the message naming the folder, when it cannot be written.
bool writeTest(const QString& productAndVersion, const QString& filePath);
QString writeTestMessage(const QString& productAndVersion, const QString& folder);
QString diskFullMessage(const QString& productAndVersion, const QString& folder);
