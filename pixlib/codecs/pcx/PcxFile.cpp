#include <string>

#include "pixlib/codecs/ByteReader.h"
#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/FormatVariant.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/RasterReader.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/pcx/PcxDecoder.h"
#include "pixlib/codecs/pcx/PcxHeader.h"

using namespace pixcodec;

namespace {

char kLoadingPcx[] = "Loading PCX";

int LoadPcx(CxImage& image, std::FILE* file, int channelMode, int reduction) {
  PcxHeader header;
  if (const char* error = ReadPcxHeader(file, header)) {
    ImgWarning("%s\n", error);
    return 0;
  }
  std::array<unsigned char, 3 * kPaletteEntries> palette{};
  if (!header.DirectColour()) ReadPcxPalette(file, header, BaseImageEnd(file), palette);
  const RasterFormat format{header.width, header.height, false, header.dpiX, header.dpiY};
  PixelView view;
  if (!CreateRasterImage(image, format, channelMode, reduction, view)) {
    ImgWarning("Unable to create image\n");
    return 0;
  }
  ByteReader reader(file);
  PcxDecoder decoder(reader, header);
  if (decoder.Restart() != PcxDecoder::kGood) {
    ImgWarning("Problems reading PCX file\n");
    return 0;
  }
  const RasterSource source{decoder, decoder.Pixels(), palette.data(), header.width, header.height,
                            true,    kLoadingPcx};
  WarnTruncated("PCX", ReadRaster(source, view, reduction));
  return 1;
}

}  // namespace

int IsPcxFile(const char* path, int& width, int& height, unsigned char*) {
  StdioFile file = OpenFile(path, "rb");
  PcxHeader header;
  if (!file || ReadPcxHeader(file.get(), header) != nullptr) return 0;
  width = header.width;
  height = header.height;
  return 1;
}

int LoadPcxFile(CxImage& image, const char* path, int channelMode, int reduction, int, unsigned char*) {
  return LoadFromFile(path, "PCX file not found", [&](std::FILE* file) {
    return LoadPcx(image, file, channelMode, NormalisedReduction(reduction));
  });
}

std::string pixcodec::DescribePcxVariant(const char* path) {
  StdioFile file = OpenFile(path, "rb");
  PcxHeader h;
  if (!file || ReadPcxHeader(file.get(), h) != nullptr) return {};
  std::string text = "version " + std::to_string(h.version) + ", " + std::to_string(h.bitsPerPixel) +
                     " bits x " + std::to_string(h.planes) + (h.planes == 1 ? " plane" : " planes") +
                     ", run-length";
  if (h.DirectColour())
    text += ", direct colour";
  else
    text += ", palette of " + std::to_string(1 << (h.bitsPerPixel * h.planes)) + " entries";
  return text;
}
