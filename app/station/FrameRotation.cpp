#include "app/station/FrameRotation.h"

#include "pixlib/core/CxImage.h"

#include <memory>

namespace {

constexpr double kTenthDegreesPerRadian = 572.95779513;

}  // namespace

CxImage* RotateFrame(CxImage* frame, int tenthsOfDegree) {
  if (tenthsOfDegree == 0) return frame;
  if (tenthsOfDegree % 900 == 0) {
    // -180 and 180 degrees are the same turn; the image object knows only the latter.
    const int degrees = tenthsOfDegree / 10;
    frame->Rotate90(degrees == -180 ? 180 : degrees);
    return frame;
  }
  const int angle = tenthsOfDegree <= 0 ? tenthsOfDegree + 3600 : tenthsOfDegree;
  auto rotated = std::make_unique<CxImage>();
  if (!rotated->Create(frame->Width(), frame->Height(), frame->HasAlphaChannel() ? 1 : 0, 1, 0, nullptr))
    return frame;
  double matrix[2][3];
  CxImage::TransformMatrix(1.0f, 1.0f, static_cast<float>(angle / kTenthDegreesPerRadian), 0.0f, 0.0f,
                           matrix);
  if (!frame->Warp(matrix, *rotated)) return frame;
  delete frame;
  return rotated.release();
}
