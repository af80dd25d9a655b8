#include "tools/pixtool/Subcommand.h"

#include <array>

std::span<const Subcommand> Subcommands() {
  static const std::array<Subcommand, 2> list = {{
      {"info", "info FILE", RunInfo},
      {"ops", "ops STEP... (load FILE | load-raw FILE W H C | resize W H | rotate90 DEG | mirror AXIS |\n"
              "              copy LEFT TOP RIGHT BOTTOM W H | write FILE)",
       RunOps},
  }};
  return list;
}
