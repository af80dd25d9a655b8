#pragma once
// bxcam grab: applies the --set features, puts the camera on software
// triggering and writes COUNT frames.
#include <ostream>

#include "tools/bxcam/CameraSession.h"

namespace bxcam {

// Returns the number of frames that could not be grabbed.
int GrabFrames(CameraSession& session, const Options& options, std::ostream& out);

}  // namespace bxcam
