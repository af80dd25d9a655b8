#pragma once
// A full-range YCrCb copy of an image's colour channels (channels Y, Cr, Cb),
// for the stages that work on luminance. Images with an alpha channel go
// through a three-channel copy; their alpha is never touched.
#include "pixlib/core/CxImage.h"

class CYCrCbImage {
 public:
  // Converts the whole of rgb (its ROI and COI are reset).
  bool From(CxImage& rgb);
  // Converts back into the colour channels of rgb, which must have the
  // size of the image From converted.
  bool To(CxImage& rgb);

  CxImage& Image() { return m_ycc; }
  unsigned char* Row(int y) const { return m_ycc.GetRowPtr(y); }

 private:
  CxImage m_ycc;
  CxImage m_colour;  // the colour channels of a four-channel image
};

// Copies channels 1 to 3 of from into channels 1 to 3 of to (same size).
void CopyColourChannels(CxImage& from, CxImage& to);
// Copies the source's alpha channel into the target's within the target's
// ROI, or sets it to 255 when the source has none; nothing when the target
// has no alpha channel.
void CarryAlpha(CxImage& source, CxImage& target);
