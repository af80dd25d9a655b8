#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/FormatVariant.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/Orientation.h"
#include "pixlib/codecs/RasterReader.h"
#include "pixlib/codecs/tiff/TiffDecoders.h"
#include "pixlib/codecs/tiff/TiffHandle.h"
#include "pixlib/codecs/tiff/TiffLayout.h"
#include "pixlib/codecs/tiff/TiffStripDecoder.h"
#include "pixlib/core/CxImage.h"

using namespace pixcodec;

namespace {

char kLoadingTiff[] = "Loading TIFF";

std::unique_ptr<TiffDecoder> MakeDecoder(TIFF* tiff, const TiffLayout& layout) {
  if (TiffStripDecoder::Handles(tiff, layout)) return std::make_unique<TiffStripDecoder>(tiff, layout);
  if (layout.DirectRgb()) return std::make_unique<TiffScanlineDecoder>(tiff, layout);
  auto decoder = std::make_unique<TiffRgbaDecoder>(tiff, layout);
  std::string error;
  if (!decoder->Begin(error)) {
    ImgWarning("%s\n", error.c_str());
    return nullptr;
  }
  return decoder;
}

// Colours of premultiplied (associated) alpha made straight again; a pixel
// without any alpha keeps what it holds.
void StraightenColours(const PixelView& view) {
  for (int y = 0; y < view.height; ++y) {
    unsigned char* p = view.TopRow(y);
    for (int x = 0; x < view.width; ++x, p += 4) {
      const int alpha = p[3];
      if (alpha == 0 || alpha == 255) continue;
      for (int c = 0; c < 3; ++c)
        p[c] = static_cast<unsigned char>(std::min(255, (p[c] * 255 + alpha / 2) / alpha));
    }
  }
}

// Decodes the stored rows into `image` (for transposed orientations into a
// stored-size image first, then turned into `image`). Both images are made
// without zeroing: every pixel is written next, and zeroing would be a pass on
// one core ahead of strips decoded on all of them.
bool ReadTiffRows(CxImage& image, const TiffLayout& layout, TiffDecoder& decoder, int channelMode,
                  int reduction, PixelView& view, RasterEnd& end) {
  const RasterFormat format{layout.width, layout.height, layout.FileHasAlpha(), layout.dpiX, layout.dpiY};
  CxImage stored;
  PixelView storedView;
  CxImage& first = layout.Transposed() ? stored : image;
  if (!CreateRasterImage(first, format, channelMode, reduction, storedView, NewBits::Undefined)) return false;
  const RasterSource source{decoder,       decoder.Pixels(),      decoder.Palette(), layout.width,
                            layout.height, !layout.BottomFirst(), kLoadingTiff};
  end = ReadRaster(source, storedView, reduction);
  view = storedView;
  if (!layout.Transposed()) return true;
  const RasterFormat turned{layout.height, layout.width, layout.FileHasAlpha(), layout.dpiY, layout.dpiX};
  if (!CreateRasterImage(image, turned, channelMode, reduction, view, NewBits::Undefined)) return false;
  PlaceOriented(storedView, view, layout.orientation);
  return true;
}

int LoadTiff(CxImage& image, const TiffHandle& tiff, int channelMode, int reduction) {
  TiffLayout layout;
  if (const char* error = ReadTiffLayout(tiff.get(), layout)) {
    ImgWarning("%s\n", error);
    return 0;
  }
  if (layout.photometricAssumed) ImgWarning("No \"PhotometricInterpretation\" tag, assuming default value\n");
  const std::unique_ptr<TiffDecoder> decoder = MakeDecoder(tiff.get(), layout);
  if (!decoder) return 0;
  PixelView view;
  RasterEnd end = RasterEnd::Complete;
  if (!ReadTiffRows(image, layout, *decoder, channelMode, reduction, view, end)) return 0;
  if (layout.associatedAlpha && layout.FileHasAlpha() && view.channels == 4) StraightenColours(view);
  if (end == RasterEnd::Truncated && !tiff.LastError().empty()) ImgWarning("%s\n", tiff.LastError().c_str());
  WarnTruncated("TIFF", end);
  return 1;
}

const char* PhotometricName(int photometric) {
  switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
      return "min-is-white";
    case PHOTOMETRIC_MINISBLACK:
      return "min-is-black";
    case PHOTOMETRIC_RGB:
      return "RGB";
    case PHOTOMETRIC_PALETTE:
      return "palette";
    case PHOTOMETRIC_SEPARATED:
      return "CMYK";
    default:
      return "YCbCr";
  }
}

std::string CompressionName(int compression) {
  switch (compression) {
    case COMPRESSION_NONE:
      return "uncompressed";
    case COMPRESSION_LZW:
      return "LZW";
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return "Deflate";
    case COMPRESSION_PACKBITS:
      return "PackBits";
    case COMPRESSION_JPEG:
      return "JPEG";
    case COMPRESSION_CCITTFAX3:
      return "CCITT G3";
    case COMPRESSION_CCITTFAX4:
      return "CCITT G4";
    default:
      return "compression " + std::to_string(compression);
  }
}

}  // namespace

int IsTiffFile(const char* path, int& width, int& height, unsigned char*) {
  TiffHandle tiff(path, "r");
  TiffLayout layout;
  if (!tiff || ReadTiffLayout(tiff.get(), layout) != nullptr) return 0;
  width = layout.Transposed() ? layout.height : layout.width;
  height = layout.Transposed() ? layout.width : layout.height;
  return 1;
}

int LoadTiffFile(CxImage& image, const char* path, int channelMode, int reduction, int, unsigned char*) {
  TiffHandle tiff(path, "r");
  if (!tiff) {
    ImgWarning("Can't open file %s\n", path != nullptr ? path : "");
    return 0;
  }
  try {
    return LoadTiff(image, tiff, channelMode, NormalisedReduction(reduction));
  } catch (const std::bad_alloc&) {
    ImgWarning("Insufficient memory to load image\n");
    return 0;
  }
}

std::string pixcodec::DescribeTiffVariant(const char* path) {
  TiffHandle tiff(path, "r");
  TiffLayout l;
  if (!tiff || ReadTiffLayout(tiff.get(), l) != nullptr) return {};
  std::string text = std::to_string(l.bitsPerSample) + " bits x " + std::to_string(l.samplesPerPixel) +
                     " samples, " + PhotometricName(l.photometric) + ", " + CompressionName(l.compression) +
                     (l.tiled ? ", tiles" : ", strips") + ", orientation " + std::to_string(l.orientation);
  return text;
}
