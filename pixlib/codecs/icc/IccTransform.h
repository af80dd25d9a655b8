#pragma once
// Little CMS behind the library's profile conversion: one silent context for
// the process, the target profiles by name, and the in-place transform of
// 8-bit BGR, BGRA (alpha copied) and grey rows.

#include <cstddef>
#include <string>

#include <lcms2.h>

class CxImage;

namespace pixcodec {

// The process's lcms context; its error handler discards every message.
cmsContext IccContext();

// "" → sRGB, "ICC_ADOBE_1998" → Adobe RGB (1998), else the profile file; null
// when the file cannot be read. The caller closes the profile.
cmsHPROFILE OpenTargetProfile(const std::string& name);

// The lcms pixel type for the image's layout (8-bit, 1, 3 or 4 channels), 0 for others.
cmsUInt32Number PixelTypeOf(const CxImage& image);

// Converts the pixels in place from source to target; false, with the image
// untouched, when either profile's colour space does not fit the pixel layout
// or no transform can be made.
bool TransformInPlace(CxImage& image, cmsHPROFILE source, cmsHPROFILE target);

}  // namespace pixcodec
