#pragma once

#include "pixlib/core/Export.h"

// File type codes: the result of GetFileType and the type argument of Save.
enum ImageFileType : int {
  IMG_TYPE_UNKNOWN = -1,
  IMG_TYPE_TGA = 0,
  IMG_TYPE_PCX = 1,
  IMG_TYPE_JPEG = 2,
  IMG_TYPE_BMP = 3,
  IMG_TYPE_TIFF = 4,
  IMG_TYPE_PHOTOCD = 5,
  IMG_TYPE_JOY = 7,              // opens with the caller's key
  IMG_TYPE_JOY_LIBRARY_KEY = 8,  // opens with the key set by CxImage::SetCryptoKey
  IMG_TYPE_JOY_PREVIEW = 9,      // opens with neither: only the plain preview loads
  IMG_TYPE_PNG = 10,
};

// The type of the file at `path` (Joy, JPEG, BMP, PCX, TGA, Photo CD, TIFF,
// PNG, first match) with its size, or -1.
PIXLIB_API int GetFileType(const char* path, int& width, int& height, unsigned char* key);

// The same tests as a yes/no; a Joy file that opens with neither key is no image.
PIXLIB_API int IsImageFile(const char* path, int& width, int& height, unsigned char* key);
