// pixtool convert IN OUT [--reduce R] [--mode M] [--quality Q] [--auto-orient]:
// reads any image file and writes it as JPEG, TIFF, PNG, BMP or PNM, chosen by
// OUT's extension; --auto-orient turns the picture as the file's Exif
// orientation or a Photo CD pack's rotation asks (TIFF files are turned when
// read).

#include "tools/pixtool/ImageFileArgs.h"
#include "tools/pixtool/Subcommand.h"

#include <algorithm>
#include <cstdio>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/Orientation.h"

namespace {

int Fail(const std::string& path, const std::string& error) {
  std::fprintf(stderr, "pixtool: %s: %s\n", path.c_str(), error.c_str());
  return 1;
}

// `image` turned into `turned` as orientation 2 to 8 asks.
bool Turn(CxImage& image, int orientation, CxImage& turned) {
  const pixcodec::PixelView stored = pixcodec::ViewOf(image);
  const bool transposed = pixcodec::IsTransposed(orientation);
  if (!pixcodec::CreateCodecImage(turned, transposed ? stored.height : stored.width,
                                  transposed ? stored.width : stored.height, stored.channels))
    return false;
  pixcodec::PlaceOriented(stored, pixcodec::ViewOf(turned), orientation);
  const CSize dpi = image.Resolution();
  turned.Resolution(transposed ? CSize{dpi.cy, dpi.cx} : dpi);
  return true;
}

}  // namespace

int RunConvert(std::span<const std::string> arguments) {
  std::vector<std::string> args(arguments.begin(), arguments.end());
  const auto autoOrientFlag = std::find(args.begin(), args.end(), "--auto-orient");
  const bool autoOrient = autoOrientFlag != args.end();
  if (autoOrient) args.erase(autoOrientFlag);
  std::vector<std::string> files;
  std::map<std::string, int> options{{"reduce", 1}, {"mode", 1}, {"quality", 90}};
  std::string error;
  if (!ParseOptions(args, {"reduce", "mode", "quality"}, files, options, error) || files.size() != 2) {
    std::fprintf(stderr,
                 "%s%susage: pixtool convert IN OUT [--reduce R] [--mode M] [--quality Q] [--auto-orient]\n",
                 error.c_str(), error.empty() ? "" : "\n");
    return 2;
  }
  const std::string& in = files[0];
  const std::string& out = files[1];
  CxImage image;
  if (!LoadAnyImage(in, options["mode"], options["reduce"], image, error)) return Fail(in, error);
  if (const std::string orientation = OrientationText(in); !orientation.empty())
    std::printf("%s: orientation %s\n", in.c_str(), orientation.c_str());
  int width = 0, height = 0;
  const int orientation = pixcodec::FileOrientation(in.c_str());
  CxImage turned;
  const bool turn =
      autoOrient && orientation > 1 && GetFileType(in.c_str(), width, height, nullptr) != IMG_TYPE_TIFF;
  if (turn && !Turn(image, orientation, turned)) return Fail(in, "cannot turn the picture");
  CxImage& result = turn ? turned : image;
  if (!SaveByExtension(out, result, options["quality"], error)) return Fail(out, error);
  std::printf("%s: %d x %d, %d channels\n", out.c_str(), result.Width(), result.Height(),
              result.SamplesPerPixel());
  return 0;
}
