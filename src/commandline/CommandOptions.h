#pragma once

#include "Errors.h"

#include <QString>
#include <QStringList>

// What a command line asks, read from its arguments (the program's name left
// out). Each option has a French name and, for the common ones, an English
// one; a value follows its option as the next argument or after '='.
struct CommandOptions
{
    enum class Action
    {
        Help,
        Version,
        Backup,
        Check,
        ExportFhir
    };

    // The arguments do not make a command; the text says why, in French.
    class UsageError : public AppError
    {
    public:
        using AppError::AppError;
    };

    Action action = Action::Help;
    QString dataFolder;   // empty: the program's usual data folder
    QString backupTarget; // an archive, or a folder when it ends with '/' or is one
    int keep = 0;         // with a folder target: the archives kept, 0 for all
    QString passwordFile;
    QString person;
    QString fhirFile;

    bool backupToFolder() const;

    // Throws UsageError.
    static CommandOptions parse(const QStringList& arguments);

    static QString helpText();
    // The short reminder printed after a usage error.
    static QString usageText();
};
