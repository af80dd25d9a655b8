#include "pixlib/core/AffineMatrix.h"
#include "pixlib/core/AffineTransform.h"

#include <cmath>
#include <initializer_list>
#include <numbers>

void AffineTransform(const CFPoint& p, double m[2][3], CFPoint& out) {
  double x, y;
  affine::Apply(m, p.x, p.y, x, y);
  out = CFPoint(static_cast<float>(x), static_cast<float>(y));
}

namespace affine {

double ReducedAngle(double angle) {
  constexpr double kFullTurn = 2 * std::numbers::pi;
  constexpr double kSnap = 0.0087;
  double a = std::fmod(angle, kFullTurn);
  if (a < 0) a += kFullTurn;
  if (a > 6.274485 && a < 6.2918854) return 0.0;
  for (const double quarter : {0.0, std::numbers::pi / 2, std::numbers::pi, 3 * std::numbers::pi / 2})
    if (std::fabs(a - quarter) < kSnap) return quarter;
  return a;
}

void Apply(const double m[2][3], double x, double y, double& outX, double& outY) {
  outX = m[0][0] * x + m[0][1] * y + m[0][2];
  outY = m[1][0] * x + m[1][1] * y + m[1][2];
}

bool Invertible(const double m[2][3]) {
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c)
      if (!std::isfinite(m[r][c])) return false;
  const double det = m[0][0] * m[1][1] - m[0][1] * m[1][0];
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  return std::isfinite(1.0 / det) && std::isfinite(m[0][2] / det) && std::isfinite(m[1][2] / det);
}

void Zero(double m[2][3]) {
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) m[r][c] = 0.0;
}

}  // namespace affine
