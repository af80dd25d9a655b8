#pragma once

// Per-format testers, readers and writers behind the load and save dispatch.
//
// Testers: non-zero when the file is of that format; width and height then
// hold the image size. Only the Joy test uses the key.
// Readers: channelMode 0 = BGR, 1 = BGRA when the file has an alpha channel,
// 2 = always BGRA; reduction 1, 2, 4 or 8: the size is divided and rounded
// down (never below 1) by the BMP, PCX, TGA, TIFF and PNG readers, rounded up
// by JPEG (and Joy files, which hold JPEG); Photo CD reads its stored sizes
// (1536 x 1024 divided exactly). tiled asks for a tiled image. They return 0 on failure, else 1 (or 2 for
// pixels referred to) and report through ImgWarning.

#include "pixlib/core/Export.h"

class CxImage;

PIXLIB_API int IsJpegFile(const char* path, int& width, int& height, unsigned char* key);
PIXLIB_API int IsBmpFile(const char* path, int& width, int& height, unsigned char* key);
PIXLIB_API int IsPcxFile(const char* path, int& width, int& height, unsigned char* key);
PIXLIB_API int IsTgaFile(const char* path, int& width, int& height, unsigned char* key);
PIXLIB_API int IsPhotoCdFile(const char* path, int& width, int& height, unsigned char* key);
PIXLIB_API int IsTiffFile(const char* path, int& width, int& height, unsigned char* key);
PIXLIB_API int IsPngFile(const char* path, int& width, int& height, unsigned char* key);
PIXLIB_API int IsJoyFile(const char* path, int& width, int& height, unsigned char* key);

// 0: Joy file whose scrambled image decodes with the key (a null key means the
// built-in one); 1: Joy file whose image does not decode; 2: no Joy file.
PIXLIB_API int CheckJoyFile(const char* path, int& width, int& height, int& components, unsigned char* key);

PIXLIB_API int LoadJpegFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                            unsigned char* key);
PIXLIB_API int LoadBmpFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                           unsigned char* key);
PIXLIB_API int LoadPcxFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                           unsigned char* key);
PIXLIB_API int LoadTgaFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                           unsigned char* key);
PIXLIB_API int LoadPhotoCdFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                               unsigned char* key);
PIXLIB_API int LoadTiffFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                            unsigned char* key);
PIXLIB_API int LoadPngFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                           unsigned char* key);
PIXLIB_API int LoadJoyFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                           unsigned char* key);

// Without a key and with preferSystemEncoder, an image without alpha (or with
// keepAlpha 0) goes to the system encoder first; otherwise, or when it fails,
// the IJG writer writes the file (scrambled with the key when one is given).
PIXLIB_API int WriteJpegFile(CxImage& image, const char* path, int quality, int keepAlpha, unsigned char* key,
                             int preferSystemEncoder);
PIXLIB_API int WriteTiffFile(CxImage& image, const char* path, int quality, int keepAlpha,
                             unsigned char* key);
// 8-bit grey, RGB or RGBA (alpha when the image has it and keepAlpha is set);
// quality and key are not used.
PIXLIB_API int WritePngFile(CxImage& image, const char* path, int quality, int keepAlpha, unsigned char* key);
PIXLIB_API int WriteJoyFile(CxImage& image, const char* path, int quality, int keepAlpha, unsigned char* key);
