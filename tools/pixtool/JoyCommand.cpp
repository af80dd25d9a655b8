// pixtool joy write IN OUT [--thumbnail 0|1] [--quality Q] [--key HEX]
// pixtool joy extract IN OUT [--flag 0|1] [--key HEX]
// write: a JPEG becomes a Joy file as it is (no re-encoding); any other image
// the tool reads is encoded at Q. extract: the plain JPEG inside a Joy file.

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/joy/JoyFiles.h"
#include "tools/pixtool/ImageFileArgs.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: pixtool joy write IN OUT [--thumbnail 0|1] [--quality Q] [--key HEX]\n"
    "       pixtool joy extract IN OUT [--flag 0|1] [--key HEX]\n";

int Usage(const std::string& error) {
  std::fprintf(stderr, "%s%s%s", error.c_str(), error.empty() ? "" : "\n", kUsage);
  return 2;
}

int Write(const std::string& in, const std::string& out, std::map<std::string, int>& options,
          unsigned char* key) {
  int width = 0, height = 0;
  if (IsJpegFile(in.c_str(), width, height, nullptr) != 0) {
    if (Jpeg2JoyFile(in.c_str(), out.c_str(), options["thumbnail"], key) != 0) return 0;
  } else {
    CxImage image;
    std::string error;
    if (!LoadAnyImage(in, 1, 1, image, error)) {
      std::fprintf(stderr, "pixtool: %s: %s\n", in.c_str(), error.c_str());
      return 1;
    }
    if (WriteJoyFile(image, out.c_str(), options["quality"], 1, key) != 0) return 0;
  }
  std::fprintf(stderr, "pixtool: %s: cannot write the Joy file\n", out.c_str());
  return 1;
}

int Extract(const std::string& in, const std::string& out, std::map<std::string, int>& options,
            unsigned char* key) {
  int width = 0, height = 0, components = 0;
  if (CheckJoyFile(in.c_str(), width, height, components, key) == 1) {
    std::fprintf(stderr, "pixtool: %s: the key does not open this Joy file\n", in.c_str());
    return 1;
  }
  if (JoyFile2Jpeg(in.c_str(), out.c_str(), options["flag"], key) != 0) return 0;
  std::fprintf(stderr, "pixtool: %s: cannot extract a JPEG\n", in.c_str());
  return 1;
}

}  // namespace

int RunJoy(std::span<const std::string> args) {
  std::vector<std::string> rest(args.begin(), args.end());
  std::optional<std::array<unsigned char, 8>> key;
  std::vector<std::string> positional;
  std::map<std::string, int> options{{"thumbnail", 0}, {"quality", 90}, {"flag", 0}};
  std::string error;
  if (!TakeKeyOption(rest, key, error) ||
      !ParseOptions(rest, {"thumbnail", "quality", "flag"}, positional, options, error) ||
      positional.size() != 3)
    return Usage(error);
  unsigned char* keyBytes = key ? key->data() : nullptr;
  if (positional[0] == "write") return Write(positional[1], positional[2], options, keyBytes);
  if (positional[0] == "extract") return Extract(positional[1], positional[2], options, keyBytes);
  return Usage("unknown joy command " + positional[0]);
}
