#include <memory>
#include <new>
#include <string>

#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/FormatVariant.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/RasterReader.h"
#include "pixlib/codecs/tiff/TiffDecoders.h"
#include "pixlib/codecs/tiff/TiffHandle.h"
#include "pixlib/codecs/tiff/TiffLayout.h"
#include "pixlib/codecs/tiff/TiffLzwDecoder.h"

using namespace pixcodec;

namespace {

char kLoadingTiff[] = "Loading TIFF";

std::unique_ptr<TiffDecoder> MakeDecoder(TIFF* tiff, const TiffLayout& layout) {
  if (TiffLzwDecoder::Handles(tiff, layout)) return std::make_unique<TiffLzwDecoder>(tiff, layout);
  if (layout.DirectRgb()) return std::make_unique<TiffScanlineDecoder>(tiff, layout);
  auto decoder = std::make_unique<TiffRgbaDecoder>(tiff, layout);
  std::string error;
  if (!decoder->Begin(error)) {
    ImgWarning("%s\n", error.c_str());
    return nullptr;
  }
  return decoder;
}

int LoadTiff(CxImage& image, const TiffHandle& tiff, int channelMode, int reduction) {
  TiffLayout layout;
  if (const char* error = ReadTiffLayout(tiff.get(), layout)) {
    ImgWarning("%s\n", error);
    return 0;
  }
  if (layout.photometricAssumed)
    ImgWarning("No \"PhotometricInterpretation\" tag, assuming default value\n");
  const std::unique_ptr<TiffDecoder> decoder = MakeDecoder(tiff.get(), layout);
  if (!decoder) return 0;
  const RasterFormat format{layout.width, layout.height, layout.FileHasAlpha(), layout.dpiX,
                            layout.dpiY};
  PixelView view;
  if (!CreateRasterImage(image, format, channelMode, reduction, view)) return 0;
  const RasterSource source{*decoder,     decoder->Pixels(), decoder->Palette(),
                            layout.width, layout.height,     !layout.BottomFirst(),
                            kLoadingTiff};
  const RasterEnd end = ReadRaster(source, view, reduction);
  if (end == RasterEnd::Truncated && !tiff.LastError().empty())
    ImgWarning("%s\n", tiff.LastError().c_str());
  WarnTruncated("TIFF", end);
  return 1;
}

const char* PhotometricName(int photometric) {
  switch (photometric) {
    case PHOTOMETRIC_MINISWHITE: return "min-is-white";
    case PHOTOMETRIC_MINISBLACK: return "min-is-black";
    case PHOTOMETRIC_RGB: return "RGB";
    case PHOTOMETRIC_PALETTE: return "palette";
    case PHOTOMETRIC_SEPARATED: return "CMYK";
    default: return "YCbCr";
  }
}

std::string CompressionName(int compression) {
  switch (compression) {
    case COMPRESSION_NONE: return "uncompressed";
    case COMPRESSION_LZW: return "LZW";
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return "Deflate";
    case COMPRESSION_PACKBITS: return "PackBits";
    case COMPRESSION_JPEG: return "JPEG";
    case COMPRESSION_CCITTFAX3: return "CCITT G3";
    case COMPRESSION_CCITTFAX4: return "CCITT G4";
    default: return "compression " + std::to_string(compression);
  }
}

}  // namespace

int IsTiffFile(const char* path, int& width, int& height, unsigned char*) {
  TiffHandle tiff(path, "r");
  TiffLayout layout;
  if (!tiff || ReadTiffLayout(tiff.get(), layout) != nullptr) return 0;
  width = layout.width;
  height = layout.height;
  return 1;
}

int LoadTiffFile(CxImage& image, const char* path, int channelMode, int reduction, int,
                 unsigned char*) {
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
  std::string text = std::to_string(l.bitsPerSample) + " bits x " +
                     std::to_string(l.samplesPerPixel) + " samples, " +
                     PhotometricName(l.photometric) + ", " + CompressionName(l.compression) +
                     (l.tiled ? ", tiles" : ", strips") + ", orientation " +
                     std::to_string(l.orientation);
  return text;
}
