#include "tools/pixtool/Subcommand.h"

#include <array>

std::span<const Subcommand> Subcommands() {
  static const std::array<Subcommand, 4> list = {{
      {"info", "info FILE", RunInfo},
      {"ops", "ops STEP... (load FILE | load-raw FILE W H C | resize W H | rotate90 DEG | mirror AXIS |\n"
              "              copy LEFT TOP RIGHT BOTTOM W H | twist M00 ... M33 (B, G, R order) |\n"
              "              contrast B | levels | colour SETTINGS.xml | write FILE)",
       RunOps},
      {"convert", "convert IN OUT [--reduce R] [--mode M] [--quality Q]   (OUT: .jpg or .pnm/.ppm/.pgm)",
       RunConvert},
      {"thumb", "thumb FILE [--size N]   (embeds the station's thumbnail, reads it back)", RunThumb},
  }};
  return list;
}
