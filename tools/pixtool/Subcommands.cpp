#include "tools/pixtool/Subcommand.h"

#include <array>

std::span<const Subcommand> Subcommands() {
  static const std::array<Subcommand, 9> list = {{
      {"info", "info FILE", RunInfo},
      {"ops",
       "ops STEP... (load FILE | load-raw FILE W H C | resize W H | rotate90 DEG | mirror AXIS |\n"
       "              copy LEFT TOP RIGHT BOTTOM W H | warp W H | transform SX SY ANGLE TX TY W H |\n"
       "              zoom LEFT TOP RIGHT BOTTOM SCALE | canny SIGMA LOW HIGH |\n"
       "              text FACE SIZE ANGLE STYLE X Y ALIGN RRGGBB TEXT |\n"
       "              twist M00 ... M33 (B, G, R order) | contrast B | levels | colour SETTINGS.xml | write "
       "FILE)",
       RunOps},
      {"convert",
       "convert IN OUT [--reduce R] [--mode M] [--quality Q] [--auto-orient]   (OUT: .jpg, .tif, .png, .bmp "
       "or .pnm/.ppm/.pgm)",
       RunConvert},
      {"thumb", "thumb FILE [--size N]   (embeds the station's thumbnail, reads it back)", RunThumb},
      {"joy",
       "joy write IN OUT [--thumbnail 0|1] [--quality Q] [--key HEX]   (JPEG kept as it is)\n"
       "  pixtool joy extract IN OUT [--flag 0|1] [--key HEX]   (the plain JPEG inside)",
       RunJoy},
      {"sign", "sign FILE...   (signs image files in place)", RunSign},
      {"compose", "compose LAYOUT.xml PHOTO OUT [--size N] [--embedded-profile 0|1]   (size 0: the photo's)",
       RunCompose},
      {"verify", "verify FILE...   (exit status 0 when every signature matches)", RunVerify},
      {"scan",
       "scan [--source NAME] [--mode native|memory|file] [--option NAME=VALUE]...\n"
       "       [--area L,T,R,B] [--count N] OUT   (area in inches)\n"
       "  pixtool scan --list   (TWAIN sources)",
       RunScan},
  }};
  return list;
}
