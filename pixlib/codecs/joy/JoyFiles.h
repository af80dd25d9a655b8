#pragma once

// Conversions between plain JPEG files and Joy files (a plain preview with the
// full JPEG appended in scrambled form). A null key means the library's
// built-in one. The target is replaced whole or left as it was; source and
// target may be the same file. 0 on failure.

#include "pixlib/core/Export.h"

// Makes a Joy file of a JPEG without re-encoding it: a preview of at most 256
// pixels, the source's bytes scrambled, and with makeThumbnail a thumbnail of
// at most 1024 pixels. A source that already is a Joy file for this key is
// copied unchanged.
PIXLIB_API int Jpeg2JoyFile(const char* source, const char* target, int makeThumbnail, unsigned char* key);

// Gives back the plain JPEG of a Joy file, byte for byte. With `flag` set a
// four-component image (alpha) is re-encoded as an ordinary three-component
// JPEG. A plain JPEG source is copied (or, with `flag`, re-encoded likewise).
PIXLIB_API int JoyFile2Jpeg(const char* source, const char* target, int flag, unsigned char* key);
