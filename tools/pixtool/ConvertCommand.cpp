// pixtool convert IN OUT [--reduce R] [--mode M] [--quality Q]: reads any
// image file and writes it as JPEG, TIFF, PNG, BMP or PNM, chosen by OUT's extension.

#include "tools/pixtool/ImageFileArgs.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>

namespace {

int Fail(const std::string& path, const std::string& error) {
  std::fprintf(stderr, "pixtool: %s: %s\n", path.c_str(), error.c_str());
  return 1;
}

}  // namespace

int RunConvert(std::span<const std::string> args) {
  std::vector<std::string> files;
  std::map<std::string, int> options{{"reduce", 1}, {"mode", 1}, {"quality", 90}};
  std::string error;
  if (!ParseOptions(args, {"reduce", "mode", "quality"}, files, options, error) || files.size() != 2) {
    std::fprintf(stderr, "%s%susage: pixtool convert IN OUT [--reduce R] [--mode M] [--quality Q]\n",
                 error.c_str(), error.empty() ? "" : "\n");
    return 2;
  }
  const std::string& in = files[0];
  const std::string& out = files[1];
  CxImage image;
  if (!LoadAnyImage(in, options["mode"], options["reduce"], image, error)) return Fail(in, error);
  if (!SaveByExtension(out, image, options["quality"], error)) return Fail(out, error);
  std::printf("%s: %d x %d, %d channels\n", out.c_str(), image.Width(), image.Height(),
              image.SamplesPerPixel());
  return 0;
}
