#include "color/SkinExposure.h"

#include "color/YCrCbImage.h"

bool IsSkin(int cb, int cr) { return cb >= 78 && cb <= 126 && cr >= 134 && cr <= 172; }

std::optional<double> MeanSkinLuminance(CxImage& image) {
  CYCrCbImage ycc;
  if (!ycc.From(image)) return std::nullopt;
  double sum = 0.0;
  long long count = 0;
  for (int row = 0; row < image.Height(); ++row) {
    const unsigned char* p = ycc.Row(row);
    for (int x = 0; x < image.Width(); ++x, p += 3) {
      if (IsSkin(p[2], p[1])) {  // stored as Y, Cr, Cb
        sum += p[0];
        ++count;
      }
    }
  }
  if (count == 0) return std::nullopt;
  return sum / static_cast<double>(count);
}
