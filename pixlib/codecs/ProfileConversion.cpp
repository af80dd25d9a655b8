#include "pixlib/codecs/ProfileConversion.h"

#include "pixlib/codecs/icc/EmbeddedProfile.h"
#include "pixlib/codecs/icc/IccTransform.h"
#include "pixlib/core/CxImage.h"

#include <memory>
#include <vector>

namespace pixcodec {

namespace {

struct ProfileCloser {
  void operator()(void* profile) const {
    if (profile != nullptr) cmsCloseProfile(profile);
  }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

}  // namespace

void ConvertToTargetProfile(CxImage& image, const char* path) {
  if (path == nullptr || PixelTypeOf(image) == 0) return;
  const std::vector<unsigned char> embedded = ReadEmbeddedProfile(path);
  if (embedded.empty()) return;
  const Profile source(
      cmsOpenProfileFromMemTHR(IccContext(), embedded.data(), static_cast<cmsUInt32Number>(embedded.size())));
  if (!source) return;
  const Profile target(OpenTargetProfile(image.GetTargetProfile()));
  if (!target) return;
  TransformInPlace(image, source.get(), target.get());
}

}  // namespace pixcodec
