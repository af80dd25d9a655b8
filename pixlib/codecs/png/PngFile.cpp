// PNG files through libspng: the tester, the reader and the variant shown by pixtool.
#include <string>

#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/FormatVariant.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/RasterReader.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/png/PngDecoder.h"

using namespace pixcodec;

namespace {

char kLoadingPng[] = "Loading PNG";

// The header of the PNG file at `path`; false when it is none.
bool ReadHeader(const char* path, PngInfo& info) {
  StdioFile file = OpenFile(path, "rb");
  if (!file) return false;
  PngStream stream(file.get());
  const SpngContext ctx = OpenPngDecoder(stream);
  return ctx && ReadPngInfo(ctx.get(), info) == nullptr;
}

int LoadPng(CxImage& image, std::FILE* file, int channelMode, int reduction) {
  PngStream stream(file);
  const SpngContext ctx = OpenPngDecoder(stream);
  PngInfo info;
  const char* error = ctx ? ReadPngInfo(ctx.get(), info) : "Insufficient memory to load image";
  PngDecoder decoder(ctx.get(), info);
  if (error == nullptr) decoder.Begin(error);
  if (error != nullptr) {
    ImgWarning("Error reading PNG file: %s\n", error);
    return 0;
  }
  const RasterFormat format{info.width, info.height, info.hasAlpha, info.dpiX, info.dpiY};
  PixelView view;
  if (!CreateRasterImage(image, format, channelMode, reduction, view)) return 0;
  const RasterSource source{decoder, decoder.Pixels(), nullptr, info.width, info.height, true, kLoadingPng};
  WarnTruncated("PNG", ReadRaster(source, view, reduction));
  return 1;
}

const char* ColourTypeName(int colourType) {
  switch (colourType) {
    case SPNG_COLOR_TYPE_GRAYSCALE:
      return "grey";
    case SPNG_COLOR_TYPE_TRUECOLOR:
      return "RGB";
    case SPNG_COLOR_TYPE_INDEXED:
      return "palette";
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
      return "grey with alpha";
    default:
      return "RGBA";
  }
}

}  // namespace

int IsPngFile(const char* path, int& width, int& height, unsigned char*) {
  PngInfo info;
  if (!ReadHeader(path, info)) return 0;
  width = info.width;
  height = info.height;
  return 1;
}

int LoadPngFile(CxImage& image, const char* path, int channelMode, int reduction, int, unsigned char*) {
  return LoadFromFile(path, "PNG file not found", [&](std::FILE* file) {
    return LoadPng(image, file, channelMode, NormalisedReduction(reduction));
  });
}

std::string pixcodec::DescribePngVariant(const char* path) {
  PngInfo info;
  if (!ReadHeader(path, info)) return {};
  std::string text = std::to_string(info.bitDepth) + " bits, " + ColourTypeName(info.colourType);
  if (info.hasAlpha && info.colourType != SPNG_COLOR_TYPE_GRAYSCALE_ALPHA &&
      info.colourType != SPNG_COLOR_TYPE_TRUECOLOR_ALPHA)
    text += " with tRNS";
  return text + (info.interlaced ? ", interlaced" : ", not interlaced");
}
