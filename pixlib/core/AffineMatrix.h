#pragma once
// Helpers for 2 x 3 affine matrices (private to the library; the exported
// AffineTransform is declared in AffineTransform.h).

namespace affine {

// The angle reduced to [0, 2π) and snapped onto 0, π/2, π or 3π/2 when within
// half a degree of one. The caller refuses non-finite angles.
double ReducedAngle(double angle);

void Apply(const double m[2][3], double x, double y, double& outX, double& outY);

// Finite entries and a determinant far enough from zero that the inverse,
// which a warp samples through, is finite too.
bool Invertible(const double m[2][3]);

void Zero(double m[2][3]);

}  // namespace affine
