#include "pixlib/codecs/ImageFormats.h"

// PCX is not read yet: the 128-byte header check and the run-length row
// decoder are still to be built.
int IsPcxFile(const char*, int&, int&, unsigned char*) { return 0; }

int LoadPcxFile(CxImage&, const char*, int, int, int, unsigned char*) { return 0; }
