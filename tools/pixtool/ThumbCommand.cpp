// pixtool thumb FILE [--size N]: embeds a thumbnail in FILE the way the
// station does after saving a photo, then reads it back at size N.

#include "pixlib/codecs/Thumbnail.h"
#include "tools/pixtool/ImageFileArgs.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>

int RunThumb(std::span<const std::string> args) {
  std::vector<std::string> files;
  std::map<std::string, int> options{{"size", 1024}};
  std::string error;
  if (!ParseOptions(args, {"size"}, files, options, error) || files.size() != 1) {
    std::fprintf(stderr, "%s%susage: pixtool thumb FILE [--size N]\n", error.c_str(),
                 error.empty() ? "" : "\n");
    return 2;
  }
  const std::string& path = files[0];
  CxImage made, read;
  if (made.LoadThumbnail(path.c_str(), 1, 1, 1024, 1, 0, nullptr) == 0) {
    std::fprintf(stderr, "pixtool: %s: cannot make a thumbnail\n", path.c_str());
    return 1;
  }
  if (LoadThumbNail(read, path.c_str(), 1, options["size"]) == 0) {
    std::fprintf(stderr, "pixtool: %s: the thumbnail does not read back\n", path.c_str());
    return 1;
  }
  std::printf("embedded: %d x %d\nread back: %d x %d, %d channels\n", made.Width(), made.Height(),
              read.Width(), read.Height(), read.SamplesPerPixel());
  return 0;
}
