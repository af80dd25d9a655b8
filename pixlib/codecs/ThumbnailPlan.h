#pragma once

namespace pixcodec {

// How LoadThumbnail makes a thumbnail from the image itself: the reduction the
// file is loaded with and the size it is then scaled to, if at all.
struct ThumbnailPlan {
  int reduction = 1;
  int target = 0;
  bool scale = false;
};

ThumbnailPlan PlanThumbnail(int width, int height, int size, bool makeThumbnail, bool fit);

}  // namespace pixcodec
