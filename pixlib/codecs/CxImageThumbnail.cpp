// CxImage::LoadThumbnail: the stored thumbnail, or one made from the image.
#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/LoadDispatch.h"
#include "pixlib/codecs/LongerSideScaling.h"
#include "pixlib/codecs/ProfileConversion.h"
#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/codecs/ThumbnailPlan.h"
#include "pixlib/core/CxImage.h"

using namespace pixcodec;

int CxImage::LoadThumbnail(const char* path, int channelMode, int makeThumbnail, int size, int fit,
                           int convertProfile, unsigned char* key) {
  CxImage temporary;
  int result = LoadThumbNail(fit != 0 ? temporary : *this, path, channelMode, size);
  if (result != 0 && fit != 0) result = ScaleToLongerSide(temporary, *this, size);
  if (result == 0) {
    int width = 0, height = 0;
    const int type = GetFileType(path, width, height, key);
    if (type == IMG_TYPE_UNKNOWN) return 0;
    const ThumbnailPlan plan = PlanThumbnail(width, height, size, makeThumbnail != 0, fit != 0);
    const int mode = makeThumbnail != 0 ? 1 : channelMode;
    result = LoadByType(plan.scale ? temporary : *this, type, path, mode, plan.reduction, 0, key);
    if (result != 0 && plan.scale) result = ScaleToLongerSide(temporary, *this, plan.target);
    if (result != 0 && makeThumbnail != 0) {
      WriteThumbNail(*this, path);
      result = LoadThumbNail(*this, path, channelMode, size);
    }
  }
  if (result != 0 && convertProfile != 0) ConvertToTargetProfile(*this, path);
  return result;
}
