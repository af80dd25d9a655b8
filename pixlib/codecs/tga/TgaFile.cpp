#include <string>

#include "pixlib/codecs/ByteReader.h"
#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/FormatVariant.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/RasterReader.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/tga/TgaDecoder.h"
#include "pixlib/codecs/tga/TgaHeader.h"

using namespace pixcodec;

namespace {

char kLoadingTga[] = "Loading TGA";

int LoadTga(CxImage& image, std::FILE* file, int channelMode, int reduction) {
  TgaHeader header;
  if (const char* error = ReadTgaHeader(file, header)) {
    ImgWarning("%s\n", error);
    return 0;
  }
  std::array<unsigned char, 3 * kPaletteEntries> palette{};
  if (!ReadTgaPalette(file, header, palette)) {
    ImgWarning("Error reading TGA colour map\n");
    return 0;
  }
  const RasterFormat format{header.width, header.height, header.depth == 32, 0, 0};
  PixelView view;
  if (!CreateRasterImage(image, format, channelMode, reduction, view)) return 0;
  ByteReader reader(file);
  reader.Seek(header.DataOffset());
  TgaDecoder decoder(reader, header);
  const RasterSource source{decoder,       decoder.Pixels(),  palette.data(), header.width,
                            header.height, header.TopFirst(), kLoadingTga};
  WarnTruncated("TGA", ReadRaster(source, view, reduction));
  return 1;
}

const char* TypeName(int type) {
  switch (type) {
    case TgaHeader::kIndexed:
      return "type 1 (colour-mapped)";
    case TgaHeader::kTrueColour:
      return "type 2 (true colour)";
    case TgaHeader::kGrey:
      return "type 3 (grey)";
    case TgaHeader::kRleIndexed:
      return "type 9 (run-length colour-mapped)";
    case TgaHeader::kRleTrueColour:
      return "type 10 (run-length true colour)";
    default:
      return "type 11 (run-length grey)";
  }
}

}  // namespace

int IsTgaFile(const char* path, int& width, int& height, unsigned char*) {
  StdioFile file = OpenFile(path, "rb");
  TgaHeader header;
  if (!file || ReadTgaHeader(file.get(), header) != nullptr) return 0;
  width = header.width;
  height = header.height;
  return 1;
}

int LoadTgaFile(CxImage& image, const char* path, int channelMode, int reduction, int, unsigned char*) {
  return LoadFromFile(path, "TGA file not found", [&](std::FILE* file) {
    return LoadTga(image, file, channelMode, NormalisedReduction(reduction));
  });
}

std::string pixcodec::DescribeTgaVariant(const char* path) {
  StdioFile file = OpenFile(path, "rb");
  TgaHeader h;
  if (!file || ReadTgaHeader(file.get(), h) != nullptr) return {};
  std::string text = std::string(TypeName(h.imageType)) + ", " + std::to_string(h.depth) + " bits";
  if (h.mapType == 1)
    text += ", colour map of " + std::to_string(h.mapLength) + " x " + std::to_string(h.mapEntryBits) +
            " bits from index " + std::to_string(h.mapFirst);
  text += h.TopFirst() ? ", top" : ", bottom";
  text += h.RightToLeft() ? "-right origin" : "-left origin";
  return text;
}
