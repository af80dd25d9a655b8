#include "pixlib/codecs/ImageFormats.h"

// TGA is not read yet: the header and colour-map parser and the raw and
// run-length row decoders are still to be built.
int IsTgaFile(const char*, int&, int&, unsigned char*) { return 0; }

int LoadTgaFile(CxImage&, const char*, int, int, int, unsigned char*) { return 0; }
