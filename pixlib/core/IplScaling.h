#pragma once
// Scaling helpers shared by the image object's geometric operations (private
// to the library).

#include "ipl/Ipl.h"

// Clears both alpha indices for the lifetime of the object, so IPL scales
// and warps the alpha channel like any other.
class AlphaAsChannel {
 public:
  AlphaAsChannel(IplImage* a, IplImage* b)
      : m_a(a), m_b(b), m_alphaA(a->alphaChannel), m_alphaB(b->alphaChannel) {
    a->alphaChannel = b->alphaChannel = 0;
  }
  ~AlphaAsChannel() {
    m_a->alphaChannel = m_alphaA;
    m_b->alphaChannel = m_alphaB;
  }
  AlphaAsChannel(const AlphaAsChannel&) = delete;
  AlphaAsChannel& operator=(const AlphaAsChannel&) = delete;

 private:
  IplImage* m_a;
  IplImage* m_b;
  int m_alphaA, m_alphaB;
};

// Decimation when the target is no larger in either direction, zoom when
// it is larger in both, resize otherwise.
inline void ScaleInto(IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc,
                      int interpolation) {
  if (xDst <= xSrc && yDst <= ySrc) {
    iplDecimate(src, dst, xDst, xSrc, yDst, ySrc, interpolation);
  } else if (xDst > xSrc && yDst > ySrc) {
    iplZoom(src, dst, xDst, xSrc, yDst, ySrc, interpolation);
  } else {
    iplResize(src, dst, xDst, xSrc, yDst, ySrc, interpolation);
  }
}
