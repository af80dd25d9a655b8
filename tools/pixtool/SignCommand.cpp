// pixtool sign FILE...: signs image files in place.
// pixtool verify FILE...: exit status 0 when every file carries a signature
// that matches it.

#include "pixlib/codecs/joy/ImageSignature.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>

namespace {

// Runs `operation` on every file, printing one line per file; 0 when it
// succeeded on all of them.
int ForEachFile(std::span<const std::string> files, const char* usage, int (*operation)(const char*),
                const char* success, const char* failure) {
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s\n", usage);
    return 2;
  }
  int failed = 0;
  for (const std::string& path : files) {
    const bool done = operation(path.c_str()) != 0;
    std::printf("%s: %s\n", path.c_str(), done ? success : failure);
    failed += done ? 0 : 1;
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace

int RunSign(std::span<const std::string> args) {
  return ForEachFile(args, "pixtool sign FILE...", SignImageFile, "signed", "cannot be signed");
}

int RunVerify(std::span<const std::string> args) {
  return ForEachFile(args, "pixtool verify FILE...", IsImageFileSigned, "signature matches",
                     "not signed or changed");
}
