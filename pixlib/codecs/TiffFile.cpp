#include "pixlib/codecs/ImageFormats.h"

// TIFF is not read or written yet: the libtiff-based tester, strip and tile
// reader and scanline writer are still to be built.
int IsTiffFile(const char*, int&, int&, unsigned char*) { return 0; }

int LoadTiffFile(CxImage&, const char*, int, int, int, unsigned char*) { return 0; }

int WriteTiffFile(CxImage&, const char*, int, int, unsigned char*) { return 0; }
