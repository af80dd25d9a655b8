#pragma once

#include "pixlib/codecs/photocd/PhotoCdPack.h"

namespace pixcodec::photocd {

// Reads the 1536 x 1024 image: the 768 x 512 samples doubled, then the
// luminance corrections added (clamped to 0 ... 255).
//
// Corrections: a Huffman table in sector 388 (a byte holding the number of
// codes less one, then per code its length less one, the code in 16 bits,
// first bit highest, and the signed correction), then from sector 389 one
// record per row: the 24 bits 0xFFFFFE, 16 header bits (plane in the top 2,
// 0 = luminance; the row in the next 13), and one code per pixel. A record of
// another plane or of a row below the image ends them.
bool ReadFourBaseImage(PackReader& pack, YccImage& image);

}  // namespace pixcodec::photocd
