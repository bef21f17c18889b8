#pragma once

#include "Errors.h"

// Raised by the picture routines: a file that is no picture, a format they do
// not read, a picture too large to hold, a codec failure.
class ImageError : public AppError
{
public:
    using AppError::AppError;
};
