#pragma once

#include "ipl/IplTypes.h"
#include "pixlib/core/Export.h"

// The library's IPL error handler, installed when the library is loaded: it
// prints nothing, leaves the status at -2 after an out-of-memory report (which
// image allocation tests) and clears it after any other, and returns -2.
PIXLIB_API IPLStatus IPLErrorHandler(IPLStatus status, const char* funcName, const char* context,
                                     const char* file, int line);
