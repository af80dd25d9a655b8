#pragma once
// bxcam video: the V4L2 capture devices the motion trigger can use, listed in
// the order of "Video Device Index"; the controls of one and frames grabbed from it.
#include <ostream>

#include "tools/bxcam/Options.h"

namespace bxcam {

// Exit code: 0 when every asked frame was written.
int RunVideoCommand(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace bxcam
