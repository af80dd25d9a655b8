// pixtool compose LAYOUT.xml PHOTO OUT [--size N] [--embedded-profile 0|1]:
// composes a photo through a layout file as the station's previews are made.
// Size 0 (the default) composes at the photo's full size. "<AP>" in the layout
// stands for the folder above the layout file's own folder, as layout files
// live in "<application folder>Layout/". A layer whose image does not load is
// left out as the station leaves it out, but named with the reason, and the
// exit status is 1 although OUT is written: the picture is not the one the
// layout describes, and a script must not take it for that.

#include "layout/CLayoutObject.h"
#include "pixlib/codecs/FileType.h"
#include "tools/pixtool/ImageFileArgs.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>
#include <filesystem>

namespace {

// A composition at the photo's own size needs the photo's size from its file.
bool PhotoHasSize(const std::string& photo) {
  int width = 0, height = 0;
  if (GetFileType(photo.c_str(), width, height, nullptr) != IMG_TYPE_UNKNOWN) return true;
  std::error_code error;
  std::fprintf(stderr, "pixtool: %s: %s; give --size N to compose the layout without it\n", photo.c_str(),
               std::filesystem::exists(photo, error) ? "not an image file the library reads"
                                                       : "the file does not exist");
  return false;
}

}  // namespace

int RunCompose(std::span<const std::string> args) {
  std::vector<std::string> files;
  std::map<std::string, int> options{{"size", 0}, {"embedded-profile", 1}};
  std::string error;
  if (!ParseOptions(args, {"size", "embedded-profile"}, files, options, error) || files.size() != 3 ||
      options["size"] < 0) {
    std::fprintf(stderr,
                 "%s%susage: pixtool compose LAYOUT.xml PHOTO OUT [--size N] [--embedded-profile 0|1]\n",
                 error.c_str(), error.empty() ? "" : "\n");
    return 2;
  }
  const std::filesystem::path layoutPath = std::filesystem::absolute(files[0]);
  CLayoutObject layout;
  if (!layout.LoadFile(layoutPath.string(), layoutPath.parent_path().parent_path().string() + "/")) {
    std::fprintf(stderr, "pixtool: %s: not a layout file\n", files[0].c_str());
    return 1;
  }
  layout.name = files[1];
  if (options["size"] == 0 && !PhotoHasSize(files[1])) return 1;
  CompositionOptions composition;
  composition.useEmbeddedProfile = options["embedded-profile"] != 0;
  int leftOut = 0;
  composition.layerLeftOut = [&](const std::string& layer, const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "pixtool: %s: %s %s left out: %s\n", files[0].c_str(), layer.c_str(), path.c_str(),
                 reason.c_str());
    ++leftOut;
  };
  CxImage picture;
  if (!layout.GetComposed(options["size"], composition, picture)) {
    std::fprintf(stderr, "pixtool: %s: no composition can be made (aspect ratio or size out of range)\n",
                 files[0].c_str());
    return 1;
  }
  if (!SaveByExtension(files[2], picture, 90, error)) {
    std::fprintf(stderr, "pixtool: %s: %s\n", files[2].c_str(), error.c_str());
    return 1;
  }
  std::printf("%s: %d x %d\n", files[2].c_str(), picture.Width(), picture.Height());
  if (leftOut == 0) return 0;
  std::fprintf(stderr, "pixtool: %s written without %d layer%s\n", files[2].c_str(), leftOut,
               leftOut == 1 ? "" : "s");
  return 1;
}
