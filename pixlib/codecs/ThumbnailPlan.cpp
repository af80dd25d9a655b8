#include "pixlib/codecs/ThumbnailPlan.h"

#include <algorithm>

namespace pixcodec {

namespace {

constexpr int kMadeThumbnailSize = 1024;
constexpr int kLargestReduction = 8;

}  // namespace

ThumbnailPlan PlanThumbnail(int width, int height, int size, bool makeThumbnail, bool fit) {
  ThumbnailPlan plan;
  const int longer = std::max(width, height);
  plan.target = makeThumbnail ? kMadeThumbnailSize : size;
  if (fit || makeThumbnail) {
    while (longer / plan.reduction > 2 * plan.target && plan.reduction < kLargestReduction)
      plan.reduction *= 2;
    plan.scale = plan.target < longer / plan.reduction;
  } else {
    while (longer / plan.reduction > plan.target && plan.reduction < kLargestReduction) plan.reduction *= 2;
  }
  return plan;
}

}  // namespace pixcodec
