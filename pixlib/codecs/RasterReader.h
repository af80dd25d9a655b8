#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "pixlib/codecs/Decoder.h"
#include "pixlib/codecs/PixelView.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/core/DibSection.h"

class CxImage;

namespace pixcodec {

// What a raster reader knows about a file once its header is read.
struct RasterFormat {
  int width = 0;  // in the file, positive
  int height = 0;
  bool fileHasAlpha = false;
  int dpiX = 0;  // 0: not stated (the image gets 72 dpi)
  int dpiY = 0;
};

// A dimension read at 1/reduction: integer division, never below 1.
inline int FloorReducedSize(int size, int reduction) {
  const int reduced = size / reduction;
  return reduced > 0 ? reduced : 1;
}

// Creates `image` at the file's size divided by `reduction`, with the
// channels the channel mode asks for, its resolution and file-alpha flag.
// Refuses (with a warning) images above the decode cap. Undefined pixels are
// for a caller that ReadRasters into `view` straight away.
bool CreateRasterImage(CxImage& image, const RasterFormat& format, int channelMode, int reduction,
                       PixelView& view, NewBits bits = NewBits::Zeroed);

// How the rows of a file reach the image.
struct RasterSource {
  Decoder& decoder;
  SourcePixels pixels;
  const unsigned char* palette = nullptr;  // kPaletteEntries B, G, R triples
  int width = 0;                           // in the file
  int height = 0;
  bool topFirst = false;  // the first file row is the top of the picture
  char* progressText = nullptr;
};

enum class RasterEnd { Complete, EndOfImage, Truncated };

// Decodes the file's rows, keeps file rows 0, r, 2r, ... (r = reduction) and
// every r-th pixel of them, and places them in `view` by the file's row
// order. Rows the file does not reach are left black after an end-of-image
// code and grey when the data ran out; a read that throws leaves the whole
// view black.
RasterEnd ReadRaster(const RasterSource& source, const PixelView& view, int reduction);

// Sets rows [firstTopRow, end) of the picture to one grey level (alpha opaque).
void FillTopRows(const PixelView& view, int firstTopRow, int endTopRow, unsigned char level);

// Opens `path` for reading and runs `load` on it: a file that cannot be opened
// gives the `notFound` warning, a failed allocation "Insufficient memory to
// load image"; both return 0.
int LoadFromFile(const char* path, const char* notFound, const std::function<int(std::FILE*)>& load);

// Warns when the pixel data of a `format` file ran out before the image was full.
void WarnTruncated(const char* format, RasterEnd end);

}  // namespace pixcodec
