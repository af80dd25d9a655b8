#include "color/UnsharpMask.h"

#include "color/YCrCbImage.h"
#include "ipl/Ipl.h"
#include "ipl/IplRowBands.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kEdgeBorder = 2;  // the edge map covers (2, 2) to (width - 3, height - 3)

double gaussian(double x, double sigma) { return std::exp(-x * x / (2.0 * sigma * sigma)); }

bool createPlane(CxImage& plane, int width, int height) {
  return plane.Create(width, height, "GRAY", "GRAY", 1, 0, CxImage::DefaultImageOrigin(), IPL_DEPTH_8U) != 0;
}

// The square root of the summed squares of the two Sobel responses, then a
// 5 x 5 box blur.
void edgeMap(CxImage& luminance, CxImage& edges) {
  CxImage sobel;
  if (!createPlane(sobel, edges.Width(), edges.Height())) return;
  int horizontal[9] = {1, 2, 1, 0, 0, 0, -1, -2, -1};
  int vertical[9] = {-1, 0, 1, -2, 0, 2, -1, 0, 1};
  IplConvKernel* kernels[2] = {iplCreateConvKernel(3, 3, 1, 1, horizontal, 0),
                               iplCreateConvKernel(3, 3, 1, 1, vertical, 0)};
  if (kernels[0] && kernels[1]) {
    iplConvolve2D(luminance, sobel, kernels, 2, IPL_SUMSQROOT);
    iplBlur(sobel, edges, 5, 5, 2, 2);
  }
  iplDeleteConvKernel(kernels[0]);
  iplDeleteConvKernel(kernels[1]);
}

void gaussianBlur(CxImage& luminance, CxImage& blurred, std::vector<int> taps) {
  const int radius = static_cast<int>(taps.size() / 2);
  IplConvKernel* across = iplCreateConvKernel(static_cast<int>(taps.size()), 1, radius, 0, taps.data(), 10);
  IplConvKernel* down = iplCreateConvKernel(1, static_cast<int>(taps.size()), 0, radius, taps.data(), 10);
  if (across && down) iplConvolveSep2D(luminance, blurred, across, down);
  iplDeleteConvKernel(across);
  iplDeleteConvKernel(down);
}

// New luminance = (1 - e) y + e s with s = y + amount (y - blurred), e the
// edge weight in 0..1 (0 outside the edge map's rectangle).
void sharpenRow(unsigned char* ycc, const unsigned char* blurred, const unsigned char* edges, int width,
                bool edgeRow, double amount) {
  for (int x = 0; x < width; ++x) {
    const int y = ycc[3 * x];
    const bool inside = edgeRow && x >= kEdgeBorder && x < width - kEdgeBorder - 1;
    const double e = inside ? std::min(1.0, edges[x] / 255.0) : 0.0;
    const int sharpened = static_cast<int>(y + amount * (y - blurred[x]));
    const double result = (1.0 - e) * y + e * sharpened;
    ycc[3 * x] = static_cast<unsigned char>(std::clamp(static_cast<int>(result), 0, 255));
  }
}

}  // namespace

int GaussianRadius(double sigma) {
  if (!(sigma > 0.0) || !std::isfinite(sigma)) return 0;
  int radius = 2;
  while (radius < 127 && gaussian(radius, sigma) >= 0.005) ++radius;
  return radius;
}

std::vector<int> GaussianTaps(double sigma) {
  const int radius = GaussianRadius(sigma);
  if (radius == 0) return {};
  std::vector<double> weights;
  double sum = 0.0;
  for (int i = -radius; i <= radius; ++i) {
    weights.push_back((gaussian(i - 0.5, sigma) + gaussian(i, sigma) + gaussian(i + 0.5, sigma)) / 3.0);
    sum += weights.back();
  }
  std::vector<int> taps;
  for (double weight : weights) taps.push_back(static_cast<int>(std::lround(weight / sum * 1024.0)));
  return taps;
}

bool UnsharpMask(CxImage& source, CxImage& target, double sigma, double amount) {
  const std::vector<int> taps = GaussianTaps(sigma);
  const int width = source.Width(), height = source.Height();
  if (taps.empty() || !source.IsValid() || target.Width() != width || target.Height() != height) return false;
  CYCrCbImage ycc;
  CxImage edges, blurred;
  if (!ycc.From(source) || !createPlane(edges, width, height) || !createPlane(blurred, width, height))
    return false;
  ycc.Image().SetCOI(1);  // filters read the luminance
  const bool hasEdgeMap = width > 2 * kEdgeBorder + 1 && height > 2 * kEdgeBorder + 1;
  if (hasEdgeMap) edgeMap(ycc.Image(), edges);
  gaussianBlur(ycc.Image(), blurred, taps);
  ycc.Image().SetCOI(0);
  ipl::forEachRowBand(ycc.Image(), blurred, [&](IplImage* band, IplImage*) {
    for (int row = band->roi->yOffset; row < band->roi->yOffset + band->roi->height; ++row) {
      const bool edgeRow = hasEdgeMap && row >= kEdgeBorder && row < height - kEdgeBorder - 1;
      sharpenRow(ycc.Row(row), blurred.GetRowPtr(row), edges.GetRowPtr(row), width, edgeRow, amount);
    }
  });
  if (!ycc.To(target)) return false;
  CarryAlpha(source, target);
  return true;
}
