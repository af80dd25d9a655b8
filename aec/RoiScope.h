#pragma once
// Moves an image's region of interest for a measurement and puts the caller's
// region back when the scope ends. The caller's ROI structure is never written:
// the image points at a region owned by the scope while it is moved.
#include "ipl/IplTypes.h"

namespace AEC {

class CRoiScope {
 public:
  explicit CRoiScope(IplImage& image) : m_image(image), m_callerRoi(image.roi) {}
  ~CRoiScope() { m_image.roi = m_callerRoi; }
  CRoiScope(const CRoiScope&) = delete;
  CRoiScope& operator=(const CRoiScope&) = delete;

  // The whole image, all channels.
  void Clear() { m_image.roi = nullptr; }
  // A rectangle over all channels (coi 0) or over channel coi (1-based).
  void Set(int x, int y, int width, int height, int coi = 0);

 private:
  IplImage& m_image;
  IplROI* m_callerRoi;
  IplROI m_region{};
};

}  // namespace AEC
