#pragma once

#include "Errors.h"

// Raised by the report engine: a layout that cannot be read, a field or a
// variable that the data do not have. The text names the layout file.
class ReportError : public AppError
{
public:
    using AppError::AppError;
};

// The layout file `source` cannot be prepared against its data, for that reason.
[[noreturn]] inline void failPreparing(const QString& source, const QString& why)
{
    throw ReportError(
        QStringLiteral("Le modèle d'impression \"%1\" ne peut pas être préparé : %2.").arg(source, why));
}
