// pixtool sign FILE...: signs image files in place.
// pixtool verify FILE...: exit status 0 when every file carries a signature
// that matches it.

#include "pixlib/codecs/joy/ImageSignature.h"
#include "tools/pixtool/Subcommand.h"

#include <cstdio>

int RunSign(std::span<const std::string> args) {
  if (args.empty()) {
    std::fprintf(stderr, "usage: pixtool sign FILE...\n");
    return 2;
  }
  int failed = 0;
  for (const std::string& path : args) {
    const bool signedNow = SignImageFile(path.c_str()) != 0;
    std::printf("%s: %s\n", path.c_str(), signedNow ? "signed" : "cannot be signed");
    failed += signedNow ? 0 : 1;
  }
  return failed == 0 ? 0 : 1;
}

int RunVerify(std::span<const std::string> args) {
  if (args.empty()) {
    std::fprintf(stderr, "usage: pixtool verify FILE...\n");
    return 2;
  }
  int failed = 0;
  for (const std::string& path : args) {
    const bool intact = IsImageFileSigned(path.c_str()) != 0;
    std::printf("%s: %s\n", path.c_str(), intact ? "signature matches" : "not signed or changed");
    failed += intact ? 0 : 1;
  }
  return failed == 0 ? 0 : 1;
}
