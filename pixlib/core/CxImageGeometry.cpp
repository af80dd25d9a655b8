// Scaling, right-angle rotation, mirroring and float-rectangle copies.

#include "pixlib/core/CxImage.h"

#include "ipl/Ipl.h"
#include "pixlib/core/IplScaling.h"

#include <algorithm>

int CxImage::Resize(CxImage& dst, int interpolation) {
  if (!InMemory() || !dst.InMemory()) return 0;
  SetCOI(0);
  dst.SetCOI(0);
  AlphaAsChannel alpha(m_image, dst.m_image);
  iplSetErrStatus(IPL_StsOk);
  ScaleInto(m_image, dst.m_image, dst.Width(), Width(), dst.Height(), Height(), interpolation);
  return iplGetErrStatus() == IPL_StsOk;
}

// 90 and -90 rotate into a new image of swapped size, which then replaces
// this one; 180 mirrors in place; other angles do nothing.
int CxImage::Rotate90(int degrees) {
  if (!m_image) return 0;
  if (degrees == 180) return Mirror(-1);
  if (degrees != 90 && degrees != -90) return 0;
  CxImage rotated;
  if (!Rotate90(rotated, degrees)) return 0;
  TakeOver(rotated);
  return 1;
}

// The target keeps this image's alpha for every angle: a target without it
// could not receive a four-channel rotation.
int CxImage::Rotate90(CxImage& dst, int degrees) {
  if (!InMemory() || &dst == this) return 0;
  if (degrees != 90 && degrees != -90 && degrees != 180) return 0;
  const bool quarter = degrees != 180;
  const int width = quarter ? Height() : Width(), height = quarter ? Width() : Height();
  const int alpha = HasAlphaChannel();
  if (dst.Width() != width || dst.Height() != height || dst.SamplesPerPixel() != SamplesPerPixel() ||
      dst.BitsPerSample() != BitsPerSample()) {
    if (!dst.Create(width, height, alpha, 1, 0, nullptr)) return 0;
  }
  if (dst.SamplesPerPixel() != SamplesPerPixel()) return 0;
  iplSetErrStatus(IPL_StsOk);
  if (degrees == 90) {
    iplRotate(m_image, dst.m_image, 90.0, 0.0, height - 1.0, IPL_INTER_NN);
  } else if (degrees == -90) {
    iplRotate(m_image, dst.m_image, -90.0, width - 1.0, 0.0, IPL_INTER_NN);
  } else {
    iplMirror(m_image, dst.m_image, -1);
  }
  return iplGetErrStatus() == IPL_StsOk;
}

int CxImage::Mirror(int axis) {
  if (!InMemory() || axis < -1 || axis > 1) return 0;
  iplSetErrStatus(IPL_StsOk);
  iplMirror(m_image, m_image, axis);
  return iplGetErrStatus() == IPL_StsOk;
}

float CxImage::CalcScale(const CxImage& other) const {
  if (!m_image) return 0.0f;
  return static_cast<float>(other.Height()) / static_cast<float>(Height());
}

int CxImage::Copy(CFRect src, CFRect dst, CxImage& target) { return CopyRegion(src, dst, target, false); }

int CxImage::Copy(CFRect src, CFPoint at, float scale, CxImage& target) {
  src.Normalize();
  const CFRect dst(at.x, at.y + src.Height() * scale, at.x + src.Width() * scale, at.y);
  return CopyRegion(src, dst, target, true);
}

// Rectangles are read with y upwards (top the larger value): the source is
// clipped to 0..FWidth() across and 0..1 up, the same cut is carried over to
// the target in proportion, and both are turned into pixels by their image's
// height.
int CxImage::CopyRegion(CFRect src, CFRect dst, CxImage& target, bool roundSizes) {
  if (!InMemory() || !target.InMemory()) return 0;
  src.Normalize();
  dst.Normalize();
  if (src.Width() <= 0.0f || src.Height() <= 0.0f) return 0;
  const float kx = dst.Width() / src.Width(), ky = dst.Height() / src.Height();
  const CFRect clipped(std::max(src.left, 0.0f), std::min(src.top, 1.0f), std::min(src.right, FWidth()),
                       std::max(src.bottom, 0.0f));
  dst = CFRect(dst.left + (clipped.left - src.left) * kx, dst.top - (src.top - clipped.top) * ky,
               dst.right - (src.right - clipped.right) * kx, dst.bottom + (clipped.bottom - src.bottom) * ky);
  const float extra = roundSizes ? 0.5f : 0.0f;
  const auto toPixels = [&](const CFRect& r, float h, int& x, int& y, int& w, int& hh) {
    x = static_cast<int>(r.left * h);
    y = static_cast<int>(r.bottom * h);
    w = static_cast<int>(r.Width() * h + extra);
    hh = static_cast<int>(r.Height() * h + extra);
  };
  int sx, sy, sw, sh, dx, dy, dw, dh;
  toPixels(clipped, static_cast<float>(Height()), sx, sy, sw, sh);
  toPixels(dst, static_cast<float>(target.Height()), dx, dy, dw, dh);
  if (!SetROI(0, sx, sy, sw, sh) || !target.SetROI(0, dx, dy, dw, dh)) return 0;
  sw = m_roi.width, sh = m_roi.height, dw = target.m_roi.width, dh = target.m_roi.height;
  iplSetErrStatus(IPL_StsOk);
  if (sw == dw && sh == dh) {
    iplCopy(m_image, target.m_image);
  } else if (dw <= sw && dh <= sh) {
    iplDecimate(m_image, target.m_image, dw, sw, dh, sh, IPL_INTER_CUBIC);
  } else {
    iplZoom(m_image, target.m_image, dw, sw, dh, sh, IPL_INTER_CUBIC);
  }
  return iplGetErrStatus() == IPL_StsOk;
}
