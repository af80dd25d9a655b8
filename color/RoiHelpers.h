#pragma once
// Region and channel selection on images whose ROI must survive the change.
#include "pixlib/core/CxImage.h"

// Sets the ROI r (as GetROI returns it) with the given COI.
inline void SetRoi(CxImage& image, int coi, const CRect& r) {
  image.SetROI(coi, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Selects channel coi (0: all) and keeps the ROI.
inline void SelectChannel(CxImage& image, int coi) {
  CRect r;
  image.GetROI(r);
  SetRoi(image, coi, r);
}
