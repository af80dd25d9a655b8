// Affine placement: the matrix from scale, rotation and offset, the bounds
// of a transformed image, and the warps that draw one image into another,
// plainly or composited over the target with the layer's alpha.

#include "pixlib/core/CxImage.h"

#include "ipl/Ipl.h"
#include "pixlib/core/AffineMatrix.h"
#include "pixlib/core/IplScaling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

void ScaleLinearPart(double m[2][3], double k) { m[0][0] *= k, m[0][1] *= k, m[1][0] *= k, m[1][1] *= k; }

void CopyMatrix(const double from[2][3], double to[2][3]) { std::memcpy(to, from, sizeof(double[2][3])); }

// Runs an IPL call and reports whether it left the status clean; a failure
// is swallowed so that it does not linger for the next caller.
template <class Call>
int IplSucceeds(Call&& call) {
  iplSetErrStatus(IPL_StsOk);
  call();
  const bool ok = iplGetErrStatus() == IPL_StsOk;
  iplSetErrStatus(IPL_StsOk);
  return ok ? 1 : 0;
}

}  // namespace

int CxImage::TransformMatrix(float sx, float sy, float angle, float tx, float ty, double m[2][3]) {
  affine::Zero(m);
  for (const float v : {sx, sy, angle, tx, ty})
    if (!std::isfinite(v)) return 0;
  const auto a = static_cast<float>(affine::ReducedAngle(angle));
  const double s = std::sin(a), c = std::cos(a);
  m[0][0] = sx * c, m[0][1] = sy * s, m[0][2] = tx;
  m[1][0] = -sx * s, m[1][1] = sy * c, m[1][2] = ty;
  return 1;
}

int CxImage::GetTransformBoundsRect(float sx, float sy, float angle, CFRect& out) const {
  double m[2][3];
  out = CFRect();
  if (!m_image || !TransformMatrix(sx, sy, angle, 0.0f, 0.0f, m)) return 0;
  double left = 1e38, right = -1e38, top = -1e38, bottom = 1e38;
  const double w = FWidth(), h = FHeight();
  for (const auto& [x, y] : {std::pair{0.0, 0.0}, {0.0, h}, {w, h}, {w, 0.0}}) {
    double u, v;
    affine::Apply(m, x, y, u, v);
    left = std::min(left, u), right = std::max(right, u);
    bottom = std::min(bottom, v), top = std::max(top, v);
  }
  out = CFRect(static_cast<float>(left), static_cast<float>(top), static_cast<float>(right),
               static_cast<float>(bottom));
  return 1;
}

// This image's ROI onto the target's ROI, alpha scaled as a channel.
int CxImage::Warp(CxImage& target) {
  if (!InMemory() || !target.InMemory()) return 0;
  AlphaAsChannel alpha(m_image, target.m_image);
  return IplSucceeds([&] {
    iplResize(m_image, target.m_image, target.m_roi.width, m_roi.width, target.m_roi.height, m_roi.height,
              IPL_INTER_CUBIC);
  });
}

int CxImage::WarpOver(CxImage& target) {
  if (!InMemory() || !target.InMemory()) return 0;
  CxImage opaque, layer;
  CxImage* source = WithAlpha(opaque);
  if (!source || !layer.Create(target.m_roi.width, target.m_roi.height, 1, 1, 0)) return 0;
  return source->Warp(layer) && CompositeOver(layer, target);
}

// The ROI's centre lands on the target's centre moved by (m02, m12) target
// heights; a unit scale maps the ROI's height onto the target's height.
int CxImage::Warp(double m[2][3], CxImage& target) {
  if (!InMemory() || !target.InMemory() || !affine::Invertible(m)) return 0;
  double p[2][3];
  CopyMatrix(m, p);
  const double tx = p[0][2], ty = p[1][2], targetHeight = target.Height();
  ScaleLinearPart(p, targetHeight / m_roi.height);
  p[0][2] = p[1][2] = 0.0;
  double cx, cy;
  affine::Apply(p, m_roi.xOffset + m_roi.width / 2.0, m_roi.yOffset + m_roi.height / 2.0, cx, cy);
  p[0][2] = targetHeight * tx + (target.Width() / 2.0 - cx);
  p[1][2] = targetHeight * ty + (targetHeight / 2.0 - cy);
  if (!affine::Invertible(p)) return 0;
  CopyMatrix(p, m);
  target.SetCOI(0);
  AlphaAsChannel alpha(m_image, target.m_image);
  return IplSucceeds([&] { iplWarpAffine(m_image, target.m_image, p, IPL_INTER_CUBIC); });
}

// The image's centre lands 2 pixels right of and above the point (m02, m12)
// target heights from the target's centre. Only the bounding box of the
// warped ROI is drawn, and the target's ROI is left on that box.
int CxImage::WarpOver(double m[2][3], CxImage& target) {
  if (!InMemory() || !target.InMemory() || !affine::Invertible(m)) return 0;
  double p[2][3];
  CopyMatrix(m, p);
  const double targetWidth = target.Width(), targetHeight = target.Height();
  ScaleLinearPart(p, targetHeight / Height());
  p[0][2] = targetWidth / 2 + targetHeight * p[0][2];
  p[1][2] = targetHeight / 2 + targetHeight * p[1][2];
  double cx, cy;
  affine::Apply(p, Width() / 2.0, Height() / 2.0, cx, cy);
  p[0][2] = 2 * p[0][2] - cx + 2;
  p[1][2] = 2 * p[1][2] - cy + 2;
  if (!affine::Invertible(p)) return 0;
  CopyMatrix(p, m);

  m_roi.coi = 0;
  CxImage opaque;
  CxImage* source = WithAlpha(opaque);
  if (!source) return 0;
  double box[2][2];
  iplGetAffineBound(source->m_image, p, box);
  const auto clampTo = [](double v, double limit) { return static_cast<int>(std::clamp(v, 0.0, limit)); };
  const int x0 = clampTo(box[0][0], targetWidth - 1), x1 = clampTo(box[1][0], targetWidth - 1);
  const int y0 = clampTo(box[0][1], targetHeight - 1), y1 = clampTo(box[1][1], targetHeight - 1);
  if (x1 - x0 < 1 || y1 - y0 < 1) return 1;  // wholly outside: nothing to draw

  CxImage layer;
  if (!layer.Create(x1 - x0 + 1, y1 - y0 + 1, 1, 1, 0)) return 0;
  p[0][2] -= x0, p[1][2] -= y0;
  {
    AlphaAsChannel alpha(source->m_image, layer.m_image);
    if (!IplSucceeds([&] { iplWarpAffine(source->m_image, layer.m_image, p, IPL_INTER_CUBIC); })) return 0;
  }
  if (!target.SetROI(0, x0, y0, layer.Width(), layer.Height())) return 0;
  return CompositeOver(layer, target);
}

// The rectangle is read with y upwards from its bottom edge, as Copy reads it.
int CxImage::Zoom(CFRect r, float scale, CxImage& target) {
  if (!InMemory() || &target == this || !std::isfinite(scale) || scale <= 0.0f) return 0;
  r.Normalize();
  r.left = std::max(r.left, 0.0f), r.right = std::min(r.right, FWidth());
  r.bottom = std::max(r.bottom, 0.0f), r.top = std::min(r.top, 1.0f);
  if (r.right <= r.left || r.top <= r.bottom) return 0;
  const auto h = static_cast<float>(Height());
  if (!SetROI(0, static_cast<int>(h * r.left), static_cast<int>(h * r.bottom),
              static_cast<int>(h * r.Width() + 0.5f), static_cast<int>(h * r.Height() + 0.5f)))
    return 0;
  const double width = m_roi.width * static_cast<double>(scale) + 0.5;
  const double height = m_roi.height * static_cast<double>(scale) + 0.5;
  if (width >= kMaxCreateSize + 1 || height >= kMaxCreateSize + 1) return 0;
  if (!target.Create(static_cast<int>(width), static_cast<int>(height), HasAlphaChannel(), 0, 0)) return 0;
  AlphaAsChannel alpha(m_image, target.m_image);
  return IplSucceeds([&] {
    ScaleInto(m_image, target.m_image, target.Width(), m_roi.width, target.Height(), m_roi.height,
              IPL_INTER_CUBIC);
  });
}

// "Over" composition of a premultiplied BGRA layer onto the target's ROI.
int CxImage::CompositeOver(CxImage& layer, CxImage& target) {
  return IplSucceeds([&] {
    iplAlphaComposite(layer.m_image, target.m_image, target.m_image, IPL_COMPOSITE_OVER, nullptr, nullptr,
                      nullptr, 1, 0);
  });
}

// A layer for the "over" warps: this image when it carries alpha, else an
// opaque BGRA copy in `opaque` with the same ROI; null for other layouts.
CxImage* CxImage::WithAlpha(CxImage& opaque) {
  if (m_image->nChannels == 4) return this;
  if (m_image->nChannels != 3 || m_image->depth != IPL_DEPTH_8U || !opaque.Create(Width(), Height(), 1, 0, 0))
    return nullptr;
  for (int y = 0; y < Height(); ++y) {
    const unsigned char* from = GetRowPtr(y);
    unsigned char* to = opaque.GetRowPtr(y);
    for (int x = 0; x < Width(); ++x, from += 3, to += 4) {
      to[0] = from[0], to[1] = from[1], to[2] = from[2], to[3] = 255;
    }
  }
  opaque.m_roi = m_roi;
  return &opaque;
}
