#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// A Qt SQL connection of its own on one database file, beside the
// program's connection: a copy being checked, a restore's staged database,
// the records while the program has them closed. Opened with the object,
// closed and removed with it, used only on the thread that made it.
class FileConnection
{
public:
    enum class Access
    {
        ReadWrite,
        ReadOnly
    };
    // A connection named `name`, for code that finds it by its name; any
    // other name of its own when none is given.
    FileConnection(const QString& file, Access access, const QString& name = {});
    ~FileConnection();
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;

    bool isOpen() const { return m_open; }
    // Why the file could not be opened.
    QSqlError openError() const { return m_failure; }
    QString name() const { return m_name; }
    QSqlDatabase database() const;

private:
    QString m_name;
    bool m_open = false;
    QSqlError m_failure;
};
