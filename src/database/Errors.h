#pragma once

#include <QString>
#include <stdexcept>

// Errors travel as exceptions; what() is the French text the user sees.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const noexcept { return m_text; }

private:
    QString m_text;
};

// Raised by the connection, the statement translator and datasets.
class DatabaseError : public AppError
{
public:
    using AppError::AppError;
};

// Raised by file operations on the user's folders (copies, atomic writes).
class FileError : public AppError
{
public:
    using AppError::AppError;
};
