#include "pixlib/codecs/ImageFormats.h"

// Photo CD image packs are not read yet: the pack signature test and the
// PhotoYCC sample and Huffman-correction reader are still to be built.
int IsPhotoCdFile(const char*, int&, int&, unsigned char*) { return 0; }

int LoadPhotoCdFile(CxImage&, const char*, int, int, int, unsigned char*) { return 0; }
