#pragma once
// bxcam grab through the station's camera classes: the camera is opened by
// index, grabs with PrepareGrab, is released by software triggers, and every
// frame delivered to OnNewImage is written as a PPM file the right way up.
#include <ostream>

#include "tools/bxcam/Options.h"

namespace bxcam {

// Returns the number of frames that could not be grabbed or written.
int GrabConvertedFrames(const Options& options, std::ostream& out);

} // namespace bxcam
