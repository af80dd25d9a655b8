#include <string>

#include "pixlib/codecs/ByteReader.h"
#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/FormatVariant.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/RasterReader.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/bmp/BmpDecoder.h"
#include "pixlib/codecs/bmp/BmpHeader.h"

using namespace pixcodec;

namespace {

char kLoadingBmp[] = "Loading BMP";

int LoadBmp(CxImage& image, std::FILE* file, int channelMode, int reduction) {
  BmpHeader header;
  if (const char* error = ReadBmpHeader(file, header, true)) {
    ImgWarning("%s\n", error);
    return 0;
  }
  const RasterFormat format{header.width, header.height, header.HasAlpha(), header.dpiX, header.dpiY};
  PixelView view;
  if (!CreateRasterImage(image, format, channelMode, reduction, view)) return 0;
  ByteReader reader(file);
  reader.Seek(header.dataOffset);
  BmpDecoder decoder(reader, header);
  const RasterSource source{decoder,      decoder.Pixels(), header.palette.data(),
                            header.width, header.height,    header.topDown,
                            kLoadingBmp};
  WarnTruncated("BMP", ReadRaster(source, view, reduction));
  return 1;
}

const char* CompressionName(int compression) {
  switch (compression) {
    case BmpHeader::kRle8:
      return "RLE8";
    case BmpHeader::kRle4:
      return "RLE4";
    case BmpHeader::kBitFields:
      return "bit fields";
    default:
      return "uncompressed";
  }
}

}  // namespace

int IsBmpFile(const char* path, int& width, int& height, unsigned char*) {
  StdioFile file = OpenFile(path, "rb");
  BmpHeader header;
  if (!file || ReadBmpHeader(file.get(), header, false) != nullptr) return 0;
  width = header.width;
  height = header.height;
  return 1;
}

int LoadBmpFile(CxImage& image, const char* path, int channelMode, int reduction, int, unsigned char*) {
  return LoadFromFile(path, "BMP file not found", [&](std::FILE* file) {
    return LoadBmp(image, file, channelMode, NormalisedReduction(reduction));
  });
}

std::string pixcodec::DescribeBmpVariant(const char* path) {
  StdioFile file = OpenFile(path, "rb");
  BmpHeader h;
  if (!file || ReadBmpHeader(file.get(), h, true) != nullptr) return {};
  std::string text = h.headerSize == BmpHeader::kCoreHeaderSize
                         ? "OS/2 12-byte header"
                         : "Windows " + std::to_string(h.headerSize) + "-byte header";
  text += ", " + std::to_string(h.bitCount) + " bits, " + CompressionName(h.compression);
  if (h.bitCount <= 8) text += ", " + std::to_string(h.paletteEntries) + " palette entries";
  if (h.compression == BmpHeader::kBitFields || h.bitCount == 16) {
    char masks[64];
    std::snprintf(masks, sizeof masks, ", masks R %08X G %08X B %08X", h.fields[2].mask, h.fields[1].mask,
                  h.fields[0].mask);
    text += masks;
    if (h.fields[3].bits > 0 && !h.standardFields) {
      std::snprintf(masks, sizeof masks, " A %08X", h.fields[3].mask);
      text += masks;
    }
  }
  text += h.topDown ? ", top-down" : ", bottom-up";
  return text;
}
