// pixtool info FILE: what the library makes of a file.

#include "tools/pixtool/PnmFile.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>

int RunInfo(std::span<const std::string> args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: pixtool info FILE\n");
    return 2;
  }
  const std::string& path = args[0];
  PnmInfo pnm;
  std::string error;
  if (!ReadPnmInfo(path, pnm, error)) {
    std::fprintf(stderr, "pixtool: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
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
