// pixtool compose LAYOUT.xml PHOTO OUT [--size N] [--embedded-profile 0|1]:
// composes a photo through a layout file as the station's previews are made.
// Size 0 (the default) composes at the photo's full size. "<AP>" in the layout
// stands for the folder above the layout file's own folder, as layout files
// live in "<application folder>Layout/".

#include "layout/CLayoutObject.h"
#include "tools/pixtool/ImageFileArgs.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>
#include <filesystem>

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
  CompositionOptions composition;
  composition.useEmbeddedProfile = options["embedded-profile"] != 0;
  CxImage picture;
  if (!layout.GetComposed(options["size"], composition, picture)) {
    std::fprintf(stderr, "pixtool: %s: no composition can be made (size or aspect ratio)\n",
                 files[0].c_str());
    return 1;
  }
  if (!SaveByExtension(files[2], picture, 90, error)) {
    std::fprintf(stderr, "pixtool: %s: %s\n", files[2].c_str(), error.c_str());
    return 1;
  }
  std::printf("%s: %d x %d\n", files[2].c_str(), picture.Width(), picture.Height());
  return 0;
}
