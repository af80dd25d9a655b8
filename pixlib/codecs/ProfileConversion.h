#pragma once

class CxImage;

namespace pixcodec {

// Converts a freshly loaded image from the colour profile embedded in `path`
// to the image's target profile; leaves it as loaded when that cannot be done.
void ConvertToTargetProfile(CxImage& image, const char* path);

}  // namespace pixcodec
