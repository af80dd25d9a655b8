#include "pixlib/codecs/ImageFormats.h"

// BMP is not read yet: the header parser, palettes and the row decoders for
// uncompressed and run-length bitmaps are still to be built.
int IsBmpFile(const char*, int&, int&, unsigned char*) { return 0; }

int LoadBmpFile(CxImage&, const char*, int, int, int, unsigned char*) { return 0; }
