#pragma once
// bxcam grab through the station's camera classes: the camera is opened by
// index, grabs with PrepareGrab, is released by software triggers, and every
// frame delivered to OnNewImage is written as a PPM file the right way up.
#include <ostream>

#include "ipl/IplTypes.h"
#include "tools/bxcam/Options.h"

namespace bxcam {

// P6 rows from the top of the picture down, whatever the image's origin.
bool WritePpm(const IplImage& image, std::ostream& file);

// Returns the number of frames that could not be grabbed or written.
int GrabConvertedFrames(const Options& options, std::ostream& out);

}  // namespace bxcam
