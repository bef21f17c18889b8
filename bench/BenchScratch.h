#pragma once

#include <QString>
#include <QTemporaryDir>

// One scratch folder per benchmark program, removed when it ends.
inline QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

inline QString scratchFile(const QString& name)
{
    return scratch().path() + QLatin1Char('/') + name;
}
