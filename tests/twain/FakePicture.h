#pragma once
// The fake source's known picture and the settings tests give it. The
// picture is asymmetric in both directions, so a flipped or mirrored
// transfer cannot pass for a correct one.

#include <cstdint>

#include "pixlib/twain/TwainTypes.h"

namespace twainfake {

inline constexpr int kWidth = 13;
inline constexpr int kHeight = 7;

struct Rgb {
  int r, g, b;
};

// 8-bit colour of pixel (x, y), y counted from the top.
inline Rgb ColourAt(int x, int y) { return Rgb{10 + 18 * x, 200 - 25 * y, (7 * x + 31 * y) % 256}; }
inline int GreyAt(int x, int y) { return (19 * x + 5 * y) % 256; }
inline bool InkAt(int x, int y) { return (x + 2 * y) % 3 == 0; }  // a black pixel
inline int IndexAt(int x, int y) { return (x + 3 * y) % 16; }
inline Rgb PaletteColour(int index) { return Rgb{16 * index, 255 - 16 * index, 8 * index + 3}; }

// Set through the exported FakeSourceSetup before the source is used; the
// injected failure fires once, on the matching triplet.
struct FakeSettings {
  TW_INT16 pixelType = TWPT_RGB;
  int bitsPerSample = 8;  // 1 (BW), 4, 8 or 16
  TW_UINT16 pixelFlavor = TWPF_CHOCOLATE;
  int pictures = 1;
  TW_UINT32 preferredBlock = 0;  // 0: the source's default
  TW_UINT32 failGroup = 0;
  TW_UINT16 failDat = 0xFFFF;
  TW_UINT16 failMsg = 0;
  bool neverClose = false;      // never asks to be closed
  bool silent = false;          // never announces a picture, nor asks to be closed
  int bogusBlock = 0;           // 1 rows past the end, 2 short BytesWritten, 3 narrow BytesPerRow
  bool unknownLength = false;   // reports the picture's length as -1
  bool ignoreFileName = false;  // writes its own default file instead of the one it was given
};

}  // namespace twainfake

extern "C" void FakeSourceSetup(const twainfake::FakeSettings* settings);
