// pixtool info FILE: what the library makes of a file.

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/FormatVariant.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/ThumbnailSection.h"
#include "pixlib/codecs/joy/ImageSignature.h"
#include "tools/pixtool/ImageFileArgs.h"
#include "tools/pixtool/PnmFile.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>
#include <filesystem>

namespace {

const char* TypeName(int type) {
  switch (type) {
    case IMG_TYPE_TGA:
      return "TGA";
    case IMG_TYPE_PCX:
      return "PCX";
    case IMG_TYPE_JPEG:
      return "JPEG";
    case IMG_TYPE_BMP:
      return "BMP";
    case IMG_TYPE_TIFF:
      return "TIFF";
    case IMG_TYPE_PHOTOCD:
      return "Photo CD";
    case IMG_TYPE_JOY:
      return "Joy (caller's key)";
    case IMG_TYPE_JOY_LIBRARY_KEY:
      return "Joy (library key)";
    case IMG_TYPE_JOY_PREVIEW:
      return "Joy (preview only)";
    case IMG_TYPE_PNG:
      return "PNG";
    default:
      return "unknown";
  }
}

// The trailer and thumbnail record, read without changing the file.
void PrintTrailer(const std::string& path) {
  using namespace pixcodec;
  StdioFile file = OpenFile(path.c_str(), "rb");
  TrailerInfo info;
  if (!file || !ReadTrailerInfo(file.get(), info)) return;
  if (info.kind == TrailerInfo::Kind::None) {
    std::printf("trailer: none\n");
    return;
  }
  if (info.kind == TrailerInfo::Kind::Legacy)
    std::printf("trailer: 12-byte (older), thumbnail section at %ld\n", info.sectionStart);
  else
    std::printf("trailer: 64-byte, flags 0x%x (thumbnail %d, signed %d, scrambled %d), offset %ld\n",
                info.trailer.Flags(), info.trailer.Has(ImageTrailer::kThumbnail),
                info.trailer.Has(ImageTrailer::kSigned), info.trailer.Has(ImageTrailer::kScrambled),
                info.sectionStart);
  if (info.kind == TrailerInfo::Kind::Current && info.trailer.Has(ImageTrailer::kSigned))
    std::printf("signature: %s\n", IsImageFileSigned(path.c_str()) != 0 ? "matches" : "does not match");
  ThumbnailRecord record;
  switch (ReadThumbnailRecord(file.get(), info, record)) {
    case RecordStatus::Read:
      std::printf("thumbnail: stored %d x %d, %zu bytes of JPEG\n", record.width, record.height,
                  record.jpeg.size());
      break;
    case RecordStatus::Broken:
      std::printf("thumbnail: broken\n");
      break;
    case RecordStatus::Absent:
      std::printf("thumbnail: none\n");
      break;
  }
}

int PrintImageFileInfo(const std::string& path) {
  int width = 0, height = 0;
  const int type = GetFileType(path.c_str(), width, height, nullptr);
  if (type == IMG_TYPE_UNKNOWN) {
    std::fprintf(stderr, "pixtool: %s: not an image file the library knows\n", path.c_str());
    return 1;
  }
  std::printf("file: %s\n", path.c_str());
  std::printf("type: %d (%s)\n", type, TypeName(type));
  const std::string variant = pixcodec::DescribeFileVariant(path.c_str(), type);
  if (!variant.empty()) std::printf("variant: %s\n", variant.c_str());
  std::printf("width: %d\nheight: %d\n", width, height);
  if (const std::string orientation = OrientationText(path); !orientation.empty())
    std::printf("orientation: %s\n", orientation.c_str());
  // Channels and resolution do not depend on the size read: the smallest
  // is the quickest, and the one every Photo CD pack stores.
  CxImage image;
  if (image.Load(path.c_str(), 1, 8, 0, 0, nullptr) != 0) {
    std::printf("channels: %d\nfile alpha: %d\n", image.SamplesPerPixel(), image.FileHasAlpha());
    std::printf("resolution: %d x %d dpi\n", image.Resolution().cx, image.Resolution().cy);
  }
  PrintTrailer(path);
  return 0;
}

}  // namespace

int RunInfo(std::span<const std::string> args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: pixtool info FILE\n");
    return 2;
  }
  const std::string& path = args[0];
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) {
    std::fprintf(stderr, "pixtool: %s: the file does not exist\n", path.c_str());
    return 1;
  }
  PnmInfo pnm;
  std::string error;
  if (!ReadPnmInfo(path, pnm, error)) return PrintImageFileInfo(path);
  CxImage image;
  if (!LoadPnm(path, image, error)) {
    std::fprintf(stderr, "pixtool: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  std::printf("file: %s\n", path.c_str());
  std::printf("format: PNM (P%c)\n", pnm.kind);
  std::printf("width: %d\nheight: %d\n", image.Width(), image.Height());
  std::printf("channels: %d\nbits per sample: %d\n", image.SamplesPerPixel(), image.BitsPerSample());
  std::printf("alpha channel: %d\n", image.HasAlphaChannel());
  std::printf("row bytes: %d\n", image.GetRowBytes());
  std::printf("float size: %.6g x %.6g\n", image.FWidth(), image.FHeight());
  std::printf("resolution: %d x %d dpi\n", image.Resolution().cx, image.Resolution().cy);
  return 0;
}
