#pragma once

// Signing marks an image file with a CRC-32 of a 1024-byte sample of it (every
// 33rd byte of its first 33 KB), kept in the file's trailer. It reveals
// accidental damage and casual edits of the sampled bytes; it is no proof of
// origin, since anyone can compute the checksum (docs/image-files.md).

#include "pixlib/core/Export.h"

// Signs the file in place: the signed region is the base image (up to the
// thumbnail record or trailer). Non-zero on success.
PIXLIB_API int SignImageFile(const char* path);

// Non-zero when the file carries a signature that matches its sample.
PIXLIB_API int IsImageFileSigned(const char* path);
