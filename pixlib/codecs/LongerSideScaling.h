#pragma once

class CxImage;

namespace pixcodec {

// The size that puts `size` on the longer side of a width x height picture,
// the other side in proportion (integer arithmetic, at least 1).
void LongerSideSize(int width, int height, int size, int& scaledWidth, int& scaledHeight);

// Creates `target` at LongerSideSize (alpha as the source's) and scales
// `source` into it with cubic interpolation. Non-zero on success.
int ScaleToLongerSide(CxImage& source, CxImage& target, int size);

}  // namespace pixcodec
