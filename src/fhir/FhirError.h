#pragma once

#include "Errors.h"

// A bundle that cannot be written or read; what() is the French text shown.
class FhirError : public AppError
{
public:
    using AppError::AppError;
};
