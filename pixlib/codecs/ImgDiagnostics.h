#pragma once

#include "pixlib/core/Export.h"

// Diagnostic and progress hooks of the imaging library.

// Progress callback: (rows done, rows in total, text or null).
using ImgProgressFunc = void (*)(long done, long total, char* text);

// The progress function readers and writers report to; initially ImgProgressBar.
PIXLIB_API extern ImgProgressFunc ImgProgress;

// Default progress function: does nothing.
PIXLIB_API void ImgProgressBar(long done, long total, char* text);

// Writes "\n\nimg_warning : " and the formatted message to standard output.
PIXLIB_API void ImgWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The last message ImgWarning wrote on the calling thread, without its final
// newline ("" when none since the last ImgClearLastWarning): a tool can show
// why a load failed.
PIXLIB_API const char* ImgLastWarning();
PIXLIB_API void ImgClearLastWarning();
