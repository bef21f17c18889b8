#pragma once

#include "Errors.h"

// Raised by the report engine: a layout that cannot be read, a field or a
// variable that the data do not have. The text names the layout file.
class ReportError : public AppError
{
public:
    using AppError::AppError;
};
