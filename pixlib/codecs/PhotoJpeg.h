#pragma once

#include <string>

#include "pixlib/codecs/ThumbnailPlan.h"
#include "pixlib/core/CxImage.h"

// A photo written as a JPEG with an appended thumbnail in two steps, giving
// what Save (JPEG, system encoder preferred, no key) followed by
// LoadThumbnail(path, 1, 1, size, 1, 0, nullptr) give: the same file, and the
// same thumbnail left for display. Writing decodes the reduced copy that the
// thumbnail is scaled from out of the encoder's bytes as they are written, on
// a second thread, so that the decoding overlaps the encoding instead of
// reading the file back after it. The steps may run on different threads, one
// after the other.
class PIXLIB_API PhotoJpeg {
 public:
  // Writes `image` as the JPEG at `path`, replaced only once complete.
  // Non-zero on success.
  int Write(CxImage& image, const char* path, int quality);
  // Appends the thumbnail to the JPEG written and leaves it, read back from the
  // file, in `shown`. Non-zero on success.
  int AppendThumbnail(int size, CxImage& shown);

 private:
  std::string m_path;
  pixcodec::ThumbnailPlan m_plan;
  CxImage m_reduced;  // empty when the thumbnail is to be made from the file
};
