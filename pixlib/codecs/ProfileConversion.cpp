#include "pixlib/codecs/ProfileConversion.h"

namespace pixcodec {

// Embedded profiles are not converted yet: reading the profile from JPEG APP2
// and TIFF tags and the colour transform to the target are still to be built,
// so images stay as loaded, which is what the conversion does for files
// without a profile.
void ConvertToTargetProfile(CxImage&, const char*) {}

}  // namespace pixcodec
