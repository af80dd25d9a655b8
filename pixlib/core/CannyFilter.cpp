#include "pixlib/core/CannyFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// One channel of a ROI as floats, top row first.
struct Plane {
  int width = 0, height = 0;
  std::vector<float> v;
  float at(int x, int y) const { return v[static_cast<size_t>(y) * width + x]; }
  float& at(int x, int y) { return v[static_cast<size_t>(y) * width + x]; }
  static Plane Sized(int w, int h) { return Plane{w, h, std::vector<float>(static_cast<size_t>(w) * h)}; }
};

// Where one channel of an image's ROI lives: sample (x, y), y counted from
// the top of the picture.
struct ChannelView {
  const CxImage* image;
  IplROI roi;
  int channel;
  unsigned char* sample(int x, int y) const {
    const IplImage* ipl = *image;
    const int stored = ipl->origin == IPL_ORIGIN_BL ? roi.yOffset + roi.height - 1 - y : roi.yOffset + y;
    return image->GetRowPtr(stored) + (roi.xOffset + x) * ipl->nChannels + channel;
  }
};

Plane ReadPlane(const ChannelView& view, int width, int height) {
  Plane p = Plane::Sized(width, height);
  const int step = static_cast<const IplImage*>(*view.image)->nChannels;
  for (int y = 0; y < height; ++y) {
    const unsigned char* sample = view.sample(0, y);
    for (int x = 0; x < width; ++x, sample += step) p.at(x, y) = *sample;
  }
  return p;
}

std::vector<float> GaussianKernel(float sigma) {
  const int radius = static_cast<int>(std::ceil(3.0f * sigma));
  std::vector<float> k(2 * radius + 1);
  double sum = 0;
  for (int i = -radius; i <= radius; ++i) sum += k[i + radius] = std::exp(-0.5f * i * i / (sigma * sigma));
  for (float& w : k) w = static_cast<float>(w / sum);
  return k;
}

// Separable Gaussian, edge samples repeated; the result is rounded to whole
// sample values, as an 8-bit smoothed channel holds them. Rows are padded
// and whole rows accumulated so that the inner loops need no bounds checks.
Plane Smooth(Plane p, float sigma) {
  if (!(sigma > 0.0f)) return p;
  const std::vector<float> k = GaussianKernel(std::min(sigma, 100.0f));
  const int r = static_cast<int>(k.size() / 2), w = p.width, h = p.height;
  Plane across = Plane::Sized(w, h);
  std::vector<float> padded(static_cast<size_t>(w) + 2 * r);
  for (int y = 0; y < h; ++y) {
    const float* row = &p.v[static_cast<size_t>(y) * w];
    std::fill_n(padded.begin(), r, row[0]);
    std::copy(row, row + w, padded.begin() + r);
    std::fill_n(padded.begin() + r + w, r, row[w - 1]);
    float* __restrict dst = &across.v[static_cast<size_t>(y) * w];
    std::fill_n(dst, w, 0.0f);
    for (size_t i = 0; i < k.size(); ++i) {
      const float weight = k[i];
      const float* __restrict src = &padded[i];
      for (int x = 0; x < w; ++x) dst[x] += weight * src[x];
    }
  }
  std::vector<float> sums(w);
  float* __restrict sum = sums.data();
  for (int y = 0; y < h; ++y) {
    std::fill_n(sum, w, 0.0f);
    for (int i = -r; i <= r; ++i) {
      const float* __restrict src = &across.v[static_cast<size_t>(std::clamp(y + i, 0, h - 1)) * w];
      const float weight = k[i + r];
      for (int x = 0; x < w; ++x) sum[x] += weight * src[x];
    }
    float* dst = &p.v[static_cast<size_t>(y) * w];
    for (int x = 0; x < w; ++x)
      dst[x] = static_cast<float>(static_cast<int>(sum[x] + 0.5f));  // sums are >= 0
  }
  return p;
}

// Gradient magnitudes with a border of zeros one sample wide (stride width +
// 2), and the gradient direction quantised to four.
enum Direction : uint8_t { kAcross, kUpDown, kRising, kFalling };
struct Gradients {
  int width, height, stride;
  std::vector<float> magnitude;
  std::vector<uint8_t> direction;
  const float* at(int x, int y) const { return &magnitude[static_cast<size_t>(y + 1) * stride + x + 1]; }
};

Direction Quantise(float gx, float gy) {
  constexpr float kTan22 = 0.41421356f, kTan67 = 2.41421356f;
  const float ax = std::fabs(gx), ay = std::fabs(gy);
  if (ay < ax * kTan22) return kAcross;
  if (ay > ax * kTan67) return kUpDown;
  return (gx < 0) != (gy < 0) ? kFalling : kRising;
}

// 3 x 3 Sobel with edge samples repeated: each row sees its neighbour rows
// and a copy of itself padded by one sample on each side.
Gradients Sobel(const Plane& p) {
  const int w = p.width, h = p.height;
  Gradients g{w, h, w + 2, std::vector<float>(static_cast<size_t>(w + 2) * (h + 2), 0.0f),
              std::vector<uint8_t>(static_cast<size_t>(w) * h)};
  std::vector<float> above(w + 2), here(w + 2), below(w + 2);
  const auto load = [&](std::vector<float>& row, int y) {
    const float* src = &p.v[static_cast<size_t>(std::clamp(y, 0, h - 1)) * w];
    std::copy(src, src + w, row.begin() + 1);
    row[0] = src[0], row[w + 1] = src[w - 1];
  };
  for (int y = 0; y < h; ++y) {
    load(above, y - 1), load(here, y), load(below, y + 1);
    float* mag = const_cast<float*>(g.at(0, y));
    uint8_t* dir = &g.direction[static_cast<size_t>(y) * w];
    for (int x = 0; x < w; ++x) {
      const float gx = above[x + 2] + 2 * here[x + 2] + below[x + 2] - above[x] - 2 * here[x] - below[x];
      const float gy =
          below[x] + 2 * below[x + 1] + below[x + 2] - above[x] - 2 * above[x + 1] - above[x + 2];
      mag[x] = std::sqrt(gx * gx + gy * gy);
      dir[x] = Quantise(gx, gy);
    }
  }
  return g;
}

// Keeps a magnitude only where it is a maximum across the edge (OpenCV's tie
// rule: above the previous neighbour, at least the next); magnitudes beyond
// the ROI count as 0. Those below `floor` can never join an edge and are
// cleared without a look.
Plane Suppress(const Gradients& g, float floor) {
  const int s = g.stride;
  Plane out = Plane::Sized(g.width, g.height);
  for (int y = 0; y < g.height; ++y) {
    const uint8_t* dir = &g.direction[static_cast<size_t>(y) * g.width];
    for (int x = 0; x < g.width; ++x) {
      const float* at = g.at(x, y);
      const float v = *at;
      if (v <= 0.0f || v < floor) continue;
      bool peak = false;
      switch (dir[x]) {
        case kAcross:
          peak = v > at[-1] && v >= at[1];
          break;
        case kUpDown:
          peak = v > at[-s] && v >= at[s];
          break;
        case kRising:
          peak = v > at[-s - 1] && v > at[s + 1];
          break;
        case kFalling:
          peak = v > at[-s + 1] && v > at[s - 1];
          break;
      }
      if (peak) out.at(x, y) = v;
    }
  }
  return out;
}

// Edges start at samples that reach `high` and grow through neighbours that
// reach `low`; everything else is cleared.
Plane Hysteresis(Plane m, float low, float high) {
  std::vector<uint8_t> edge(m.v.size(), 0);
  std::vector<std::pair<int, int>> stack;
  const auto take = [&](int x, int y) {
    edge[static_cast<size_t>(y) * m.width + x] = 1;
    stack.emplace_back(x, y);
  };
  const auto joins = [&](int x, int y, float threshold) {
    const float v = m.at(x, y);
    return !edge[static_cast<size_t>(y) * m.width + x] && v > 0 && v >= threshold;
  };
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x)
      if (joins(x, y, high)) take(x, y);
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    for (int ny = std::max(0, y - 1); ny <= std::min(m.height - 1, y + 1); ++ny)
      for (int nx = std::max(0, x - 1); nx <= std::min(m.width - 1, x + 1); ++nx)
        if (joins(nx, ny, low)) take(nx, ny);
  }
  for (size_t i = 0; i < m.v.size(); ++i)
    if (!edge[i]) m.v[i] = 0.0f;
  return m;
}

bool Usable(const CxImage& image) {
  return image.IsValid() && image.BitsPerSample() == IPL_DEPTH_8U && !static_cast<IplImage*>(image)->tileInfo;
}

}  // namespace

int CannyFilter(CxImage& src, CxImage& dst, float sigma, int low, int high) {
  if (!Usable(src) || !Usable(dst) || !std::isfinite(sigma)) return 0;
  const IplROI from = *static_cast<IplImage*>(src)->roi, to = *static_cast<IplImage*>(dst)->roi;
  const int width = std::min(from.width, to.width), height = std::min(from.height, to.height);
  std::vector<std::pair<int, int>> channels;  // source channel, destination channel
  if (from.coi > 0) {
    channels.emplace_back(from.coi - 1, to.coi > 0 ? to.coi - 1 : 0);
  } else {
    for (int c = 0; c < std::min(src.SamplesPerPixel(), dst.SamplesPerPixel()); ++c)
      channels.emplace_back(c, c);
  }
  for (const auto& [in, out] : channels) {
    const auto lower = static_cast<float>(low), upper = static_cast<float>(high);
    const Plane edges = Hysteresis(
        Suppress(Sobel(Smooth(ReadPlane({&src, from, in}, width, height), sigma)), std::min(lower, upper)),
        lower, upper);
    const ChannelView target{&dst, to, out};
    const int step = dst.SamplesPerPixel();
    for (int y = 0; y < height; ++y) {
      unsigned char* sample = target.sample(0, y);
      for (int x = 0; x < width; ++x, sample += step)
        *sample = static_cast<unsigned char>(std::min(255.0f, edges.at(x, y) + 0.5f));
    }
  }
  return 1;
}
