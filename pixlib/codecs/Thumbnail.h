#pragma once

#include "pixlib/core/Export.h"

class CxImage;

// Reads the thumbnail appended to the file, reduced by the smallest power of
// two that brings the stored size within `size` (at most 8). 0 when the file
// has none; a thumbnail that does not decode is cut off the file, which then
// holds the base image as it was before the thumbnail was appended.
PIXLIB_API int LoadThumbNail(CxImage& image, const char* path, int channelMode, int size);

// Appends `image` as the file's thumbnail (JPEG, quality 90), replacing an
// earlier one. Non-zero on success; on failure the file is left as it was.
PIXLIB_API int WriteThumbNail(CxImage& image, const char* path);
