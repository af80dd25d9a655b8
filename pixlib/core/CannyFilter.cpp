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
  float clamped(int x, int y) const { return at(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1)); }
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
  Plane p{width, height, std::vector<float>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.at(x, y) = *view.sample(x, y);
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
// sample values, as an 8-bit smoothed channel holds them.
Plane Smooth(const Plane& in, float sigma) {
  if (!(sigma > 0.0f)) return in;
  const std::vector<float> k = GaussianKernel(std::min(sigma, 100.0f));
  const int r = static_cast<int>(k.size() / 2);
  Plane across = in, out = in;
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) {
      float s = 0;
      for (int i = -r; i <= r; ++i) s += k[i + r] * in.clamped(x + i, y);
      across.at(x, y) = s;
    }
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) {
      float s = 0;
      for (int i = -r; i <= r; ++i) s += k[i + r] * across.clamped(x, y + i);
      out.at(x, y) = std::round(s);
    }
  return out;
}

struct Gradients {
  Plane dx, dy, magnitude;
};

Gradients Sobel(const Plane& p) {
  Gradients g{p, p, p};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const auto s = [&](int dx, int dy) { return p.clamped(x + dx, y + dy); };
      const float gx = s(1, -1) + 2 * s(1, 0) + s(1, 1) - s(-1, -1) - 2 * s(-1, 0) - s(-1, 1);
      const float gy = s(-1, 1) + 2 * s(0, 1) + s(1, 1) - s(-1, -1) - 2 * s(0, -1) - s(1, -1);
      g.dx.at(x, y) = gx, g.dy.at(x, y) = gy;
      g.magnitude.at(x, y) = std::sqrt(gx * gx + gy * gy);
    }
  return g;
}

// Keeps a magnitude only where it is a maximum across the edge, the gradient
// direction quantised to four; magnitudes beyond the ROI count as 0.
Plane Suppress(const Gradients& g) {
  const Plane& m = g.magnitude;
  const auto mag = [&](int x, int y) {
    return x < 0 || y < 0 || x >= m.width || y >= m.height ? 0.0f : m.at(x, y);
  };
  constexpr float kTan22 = 0.41421356f, kTan67 = 2.41421356f;
  Plane out = m;
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x) {
      const float v = m.at(x, y), ax = std::fabs(g.dx.at(x, y)), ay = std::fabs(g.dy.at(x, y));
      bool peak;
      if (ay < ax * kTan22) {
        peak = v > mag(x - 1, y) && v >= mag(x + 1, y);
      } else if (ay > ax * kTan67) {
        peak = v > mag(x, y - 1) && v >= mag(x, y + 1);
      } else {
        const int s = (g.dx.at(x, y) < 0) != (g.dy.at(x, y) < 0) ? -1 : 1;
        peak = v > mag(x - s, y - 1) && v > mag(x + s, y + 1);
      }
      if (!peak) out.at(x, y) = 0.0f;
    }
  return out;
}

// Edges start at samples that reach `high` and grow through neighbours that
// reach `low`; everything else is cleared.
Plane Hysteresis(const Plane& m, float low, float high) {
  Plane out{m.width, m.height, std::vector<float>(m.v.size(), 0.0f)};
  std::vector<std::pair<int, int>> stack;
  const auto take = [&](int x, int y) {
    out.at(x, y) = m.at(x, y);
    stack.emplace_back(x, y);
  };
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x)
      if (m.at(x, y) > 0 && m.at(x, y) >= high && out.at(x, y) == 0) take(x, y);
  while (!stack.empty()) {
    const auto [x, y] = stack.back();
    stack.pop_back();
    for (int ny = std::max(0, y - 1); ny <= std::min(m.height - 1, y + 1); ++ny)
      for (int nx = std::max(0, x - 1); nx <= std::min(m.width - 1, x + 1); ++nx)
        if (out.at(nx, ny) == 0 && m.at(nx, ny) > 0 && m.at(nx, ny) >= low) take(nx, ny);
  }
  return out;
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
    for (int c = 0; c < std::min(src.SamplesPerPixel(), dst.SamplesPerPixel()); ++c) channels.emplace_back(c, c);
  }
  for (const auto& [in, out] : channels) {
    const Plane edges = Hysteresis(Suppress(Sobel(Smooth(ReadPlane({&src, from, in}, width, height), sigma))),
                                   static_cast<float>(low), static_cast<float>(high));
    const ChannelView target{&dst, to, out};
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        *target.sample(x, y) = static_cast<unsigned char>(std::min(255.0f, std::round(edges.at(x, y))));
  }
  return 1;
}
