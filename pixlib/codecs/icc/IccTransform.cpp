#include "pixlib/codecs/icc/IccTransform.h"

#include "pixlib/core/CxImage.h"

namespace pixcodec {

namespace {

void DiscardMessage(cmsContext, cmsUInt32Number, const char*) {}

cmsHPROFILE CreateAdobeRgb1998(cmsContext context) {
  const cmsCIExyY whitePoint{0.3127, 0.3290, 1.0};  // D65
  const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(context, 563.0 / 256.0);
  if (gamma == nullptr) return nullptr;
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE profile = cmsCreateRGBProfileTHR(context, &whitePoint, &primaries, curves);
  cmsFreeToneCurve(gamma);
  return profile;
}

bool SpaceFits(cmsHPROFILE profile, cmsUInt32Number pixelType) {
  const cmsColorSpaceSignature space = cmsGetColorSpace(profile);
  return T_CHANNELS(pixelType) == 1 ? space == cmsSigGrayData : space == cmsSigRgbData;
}

}  // namespace

cmsContext IccContext() {
  static const cmsContext context = [] {
    cmsContext created = cmsCreateContext(nullptr, nullptr);
    cmsSetLogErrorHandlerTHR(created, DiscardMessage);
    return created;
  }();
  return context;
}

cmsHPROFILE OpenTargetProfile(const std::string& name) {
  if (name.empty()) return cmsCreate_sRGBProfileTHR(IccContext());
  if (name == "ICC_ADOBE_1998") return CreateAdobeRgb1998(IccContext());
  return cmsOpenProfileFromFileTHR(IccContext(), name.c_str(), "r");
}

cmsUInt32Number PixelTypeOf(const CxImage& image) {
  if (!image.IsValid() || image.Tiled() || image.BitsPerSample() != 8) return 0;
  switch (image.SamplesPerPixel()) {
    case 1:
      return TYPE_GRAY_8;
    case 3:
      return TYPE_BGR_8;
    case 4:
      return TYPE_BGRA_8;
    default:
      return 0;
  }
}

bool TransformInPlace(CxImage& image, cmsHPROFILE source, cmsHPROFILE target) {
  const cmsUInt32Number type = PixelTypeOf(image);
  if (type == 0 || !SpaceFits(source, type) || !SpaceFits(target, type)) return false;
  const cmsUInt32Number flags = T_EXTRA(type) != 0 ? cmsFLAGS_COPY_ALPHA : 0;
  cmsHTRANSFORM transform =
      cmsCreateTransformTHR(IccContext(), source, type, target, type, INTENT_PERCEPTUAL, flags);
  if (transform == nullptr) return false;
  const auto width = static_cast<cmsUInt32Number>(image.Width());
  for (int y = 0; y < image.Height(); ++y) {
    unsigned char* row = image.GetRowPtr(y);
    cmsDoTransform(transform, row, row, width);
  }
  cmsDeleteTransform(transform);
  return true;
}

}  // namespace pixcodec
