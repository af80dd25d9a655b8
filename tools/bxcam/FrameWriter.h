#pragma once
// Writes grabbed frames: PGM for Mono8, PPM for BGR8Packed, otherwise (or when
// raw output is asked for) the pixel rows without padding, in a file named with
// width, height and pixel type.
#include <filesystem>

#include "pylon/GrabResult.h"

namespace bxcam {

// Returns the file written; raises std::runtime_error when writing fails.
std::filesystem::path WriteFrame(const Pylon::GrabResult& frame, const std::filesystem::path& dir, int index,
                                 bool raw);

}  // namespace bxcam
