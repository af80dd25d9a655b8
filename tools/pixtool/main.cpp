#include "tools/pixtool/Subcommand.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintUsage(std::FILE* stream) {
  std::fprintf(stream, "usage:\n");
  for (const Subcommand& s : Subcommands())
    std::fprintf(stream, "  pixtool %.*s\n", static_cast<int>(s.usage.size()), s.usage.data());
}

int usage() {
  PrintUsage(stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string name = argv[1];
  if (name == "--help" || name == "-h") {
    PrintUsage(stdout);
    return 0;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const Subcommand& s : Subcommands())
    if (s.name == name) return s.run(args);
  std::fprintf(stderr, "pixtool: unknown command \"%s\"\n", name.c_str());
  return usage();
}
