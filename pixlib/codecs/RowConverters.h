#pragma once

namespace pixcodec {

// Palettes hold this many B, G, R triples; entries a file leaves out are black,
// so every index byte finds a colour.
inline constexpr int kPaletteEntries = 256;

// Turns one decoded source row into an image row, using every step-th source
// pixel and writing max(1, srcWidth / step) pixels (never more than fit in
// dstRowBytes). Palettes are B, G, R triples.
using RowConverter = void (*)(const unsigned char* src, unsigned char* dst, const unsigned char* palette,
                              int srcWidth, int dstRowBytes, int step);

void CopyRow3(const unsigned char*, unsigned char*, const unsigned char*, int, int, int);  // BGR → BGR
void SwapRow3(const unsigned char*, unsigned char*, const unsigned char*, int, int, int);  // RGB → BGR
void CopyRow3To4(const unsigned char*, unsigned char*, const unsigned char*, int, int,
                 int);  // BGR → BGRA, opaque
void SwapRow3To4(const unsigned char*, unsigned char*, const unsigned char*, int, int,
                 int);  // RGB → BGRA, opaque
void CopyRow4(const unsigned char*, unsigned char*, const unsigned char*, int, int, int);  // BGRA → BGRA
void DropRow4(const unsigned char*, unsigned char*, const unsigned char*, int, int, int);  // BGRA → BGR
void SwapRow4(const unsigned char*, unsigned char*, const unsigned char*, int, int, int);  // RGBA → BGRA
void SwapDropRow4(const unsigned char*, unsigned char*, const unsigned char*, int, int, int);  // RGBA → BGR
void PaletteRow3(const unsigned char*, unsigned char*, const unsigned char*, int, int, int);  // index → BGR
void PaletteRow4(const unsigned char*, unsigned char*, const unsigned char*, int, int,
                 int);  // index → BGRA, opaque

// Turns a row of `pixels` pixels of `bytesPerPixel` bytes end for end.
void ReverseRow(unsigned char* row, int pixels, int bytesPerPixel);

// Source pixel layouts a decoder hands to the converters.
enum class SourcePixels {
  Index,  // one palette index byte
  Bgr,    // B, G, R
  Rgb,    // R, G, B
  Bgra,   // B, G, R, A
  Rgba,   // R, G, B, A
};

// Bytes per pixel of a source layout.
int SourceBytes(SourcePixels source);

// The converter from `source` to an image of `dstChannels` (3 or 4) channels.
RowConverter ChooseConverter(SourcePixels source, int dstChannels);

}  // namespace pixcodec
