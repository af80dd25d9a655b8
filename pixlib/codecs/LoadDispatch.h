#pragma once

class CxImage;

namespace pixcodec {

// Loads `path` with the reader of file type code `type`; 0 for codes without one.
int LoadByType(CxImage& image, int type, const char* path, int channelMode, int reduction, int tiled,
               unsigned char* key);

// Type code of the first plain format (no Joy test) that accepts the file, or -1.
int PlainFileType(const char* path, int& width, int& height);

// Loads with the first reader whose tester accepts the file: Joy with the
// caller's key, Joy with the library key, then the plain formats.
int LoadFirstMatch(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                   unsigned char* key);

}  // namespace pixcodec
