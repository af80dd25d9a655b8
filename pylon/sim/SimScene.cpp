#include "pylon/sim/SimScene.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace Pylon {
namespace {

constexpr int R = 0, G = 1, B = 2;

struct Rgb {
  double r, g, b;
};

const Rgb kBackground{40, 40, 40};
const Rgb kSkin{224, 172, 140};
const Rgb kHair{60, 40, 30};
const Rgb kBackdrop{150, 165, 180};
const Rgb kClothes{50, 60, 120};

bool InEllipse(double u, double v, double cu, double cv, double ru, double rv) {
  const double du = (u - cu) / ru, dv = (v - cv) / rv;
  return du * du + dv * dv <= 1.0;
}

Rgb Hue(double h, double value) {
  const double k[3] = {5.0, 3.0, 1.0};
  double c[3];
  for (int i = 0; i < 3; ++i) {
    const double t = std::fmod(k[i] + h * 6.0, 6.0);
    c[i] = value * (1.0 - std::max(0.0, std::min({t, 4.0 - t, 1.0})));
  }
  return {c[0], c[1], c[2]};
}

Rgb Portrait(double u, double v) {
  if (InEllipse(u, v, 0.25, 0.74, 0.17, 0.10)) return kClothes;
  if (u > 0.23 && u < 0.27 && v > 0.58 && v < 0.68) return kSkin;  // neck
  if (InEllipse(u, v, 0.25, 0.47, 0.095, 0.16)) {
    for (double eye : {0.215, 0.285}) {
      if (InEllipse(u, v, eye, 0.47, 0.018, 0.012))
        return InEllipse(u, v, eye, 0.47, 0.007, 0.010) ? Rgb{40, 30, 30} : Rgb{230, 230, 225};
    }
    if (InEllipse(u, v, 0.25, 0.56, 0.035, 0.012)) return {170, 80, 80};     // mouth
    if (InEllipse(u, v, 0.25, 0.515, 0.010, 0.025)) return {200, 150, 120};  // nose shadow
    return kSkin;
  }
  if (InEllipse(u, v, 0.25, 0.44, 0.115, 0.18)) return kHair;
  const double shade = 0.8 + 0.2 * u / 0.5;
  return {kBackdrop.r * shade, kBackdrop.g * shade, kBackdrop.b * shade};
}

Rgb FineDetail(double u, double v, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  if (u < 0.75) {
    const uint32_t period = v < 0.313 ? 2 : v < 0.406 ? 4 : 8;
    const double level = (x % period) < period / 2 ? 230.0 : 20.0;
    return {level, level, level};
  }
  const double dx = x - 0.875 * width, dy = y - 0.36 * height;
  const double level = 125.0 + 100.0 * std::cos(M_PI * (dx * dx + dy * dy) / (0.5 * width));
  return {level, level, level};
}

Rgb SceneAt(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  const double u = (x + 0.5) / width, v = (y + 0.5) / height;
  for (const SScenePatch& patch : CSimScene::Patches())
    if (u >= patch.left && u < patch.right && v >= patch.top && v < patch.bottom)
      return {double(patch.red), double(patch.green), double(patch.blue)};
  if (v < 0.22) return kBackground;
  if (v < 0.78 && u < 0.5) return Portrait(u, v);
  if (v < 0.50) return FineDetail(u, v, x, y, width, height);
  if (v < 0.78) {
    const double level = std::floor((u - 0.5) / 0.05) * 235.0 / 9.0;
    return {level, level, level};
  }
  if (v < 0.89) return {255.0 * u, 255.0 * u, 255.0 * u};
  return Hue(u, 200.0);
}

uint16_t ToLinear(double nominal) { return uint16_t(std::clamp(std::lround(nominal * 256.0), 0L, 65535L)); }

// Colour channel of the Bayer pattern at an even/odd row and column.
using Phase = std::array<std::array<int, 2>, 2>;

Phase BayerPhase(EPixelType format) {
  switch (format) {
    case PixelType_BayerBG8:
      return {{{B, G}, {G, R}}};
    case PixelType_BayerRG8:
      return {{{R, G}, {G, B}}};
    case PixelType_BayerGR8:
      return {{{G, R}, {B, G}}};
    default:
      return {{{G, B}, {R, G}}};  // BayerGB8
  }
}

int PlaneIndex(EPixelType format) {
  switch (format) {
    case PixelType_BayerBG8:
      return 0;
    case PixelType_BayerRG8:
      return 1;
    case PixelType_BayerGR8:
      return 2;
    case PixelType_BayerGB8:
      return 3;
    default:
      return 4;
  }
}

// Scene light to 12-bit sensor values for one channel gain, through the camera LUT.
std::vector<uint16_t> SensorTable(double gain, const std::vector<uint16_t>* lut) {
  std::vector<uint16_t> table(65536);
  for (uint32_t s = 0; s < table.size(); ++s) {
    const double value = std::min(4095.0, s * gain / 16.0);
    const uint16_t v12 = uint16_t(value);
    table[s] = lut && lut->size() == 4096 ? (*lut)[v12] : v12;
  }
  return table;
}

std::array<std::vector<uint8_t>, 3> ByteTables(const SExposure& exposure) {
  std::array<std::vector<uint8_t>, 3> tables;
  for (int c = 0; c < 3; ++c) {
    const std::vector<uint16_t> sensor = SensorTable(exposure.channelGain[c], exposure.lut);
    tables[c].resize(sensor.size());
    std::transform(sensor.begin(), sensor.end(), tables[c].begin(),
                   [](uint16_t v) { return uint8_t(v >> 4); });
  }
  return tables;
}

uint8_t Clamp8(double value) { return uint8_t(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

const std::vector<SScenePatch>& CSimScene::Patches() {
  static const std::vector<SScenePatch> patches = {
      {"white", 0.010, 0.02, 0.115, 0.20, 235, 235, 235}, {"yellow", 0.135, 0.02, 0.240, 0.20, 200, 200, 0},
      {"cyan", 0.260, 0.02, 0.365, 0.20, 0, 200, 200},    {"green", 0.385, 0.02, 0.490, 0.20, 0, 200, 0},
      {"magenta", 0.510, 0.02, 0.615, 0.20, 200, 0, 200}, {"red", 0.635, 0.02, 0.740, 0.20, 200, 0, 0},
      {"blue", 0.760, 0.02, 0.865, 0.20, 0, 0, 200},      {"black", 0.885, 0.02, 0.990, 0.20, 0, 0, 0},
      {"skin", 0.225, 0.37, 0.275, 0.42, 224, 172, 140},  {"grey", 0.755, 0.52, 0.795, 0.76, 131, 131, 131},
  };
  return patches;
}

bool CSimScene::Supports(EPixelType format) {
  switch (format) {
    case PixelType_Mono8:
    case PixelType_Mono12:
    case PixelType_BayerGR8:
    case PixelType_BayerRG8:
    case PixelType_BayerGB8:
    case PixelType_BayerBG8:
    case PixelType_YUV422packed:
    case PixelType_YUV444packed:
    case PixelType_BGR8packed:
      return true;
    default:
      return false;
  }
}

CSimScene::CSimScene(uint32_t sensorWidth, uint32_t sensorHeight)
    : m_width(sensorWidth), m_height(sensorHeight), m_rgb(size_t(sensorWidth) * sensorHeight * 3) {
  uint16_t* out = m_rgb.data();
  for (uint32_t y = 0; y < m_height; ++y) {
    for (uint32_t x = 0; x < m_width; ++x) {
      const Rgb rgb = SceneAt(x, y, m_width, m_height);
      *out++ = ToLinear(rgb.r);
      *out++ = ToLinear(rgb.g);
      *out++ = ToLinear(rgb.b);
    }
  }
}

std::shared_ptr<const CSimScene> CSimScene::ForSensor(uint32_t width, uint32_t height) {
  static std::mutex mutex;
  static std::map<std::pair<uint32_t, uint32_t>, std::weak_ptr<const CSimScene>> scenes;
  std::lock_guard<std::mutex> lock(mutex);
  std::shared_ptr<const CSimScene> scene = scenes[{width, height}].lock();
  if (!scene) {
    scene = std::make_shared<const CSimScene>(width, height);
    scenes[{width, height}] = scene;
  }
  return scene;
}

const CSimScene::Plane& CSimScene::MosaicPlane(EPixelType format) const {
  std::lock_guard<std::mutex> lock(m_planeMutex);
  std::unique_ptr<Plane>& plane = m_planes[PlaneIndex(format)];
  if (!plane) {
    plane = std::make_unique<Plane>(size_t(m_width) * m_height);
    const Phase phase = BayerPhase(format);
    for (uint32_t y = 0; y < m_height; ++y)
      for (uint32_t x = 0; x < m_width; ++x)
        (*plane)[size_t(y) * m_width + x] = m_rgb[(size_t(y) * m_width + x) * 3 + phase[y & 1][x & 1]];
  }
  return *plane;
}

const CSimScene::Plane& CSimScene::LumaPlane() const {
  std::lock_guard<std::mutex> lock(m_planeMutex);
  std::unique_ptr<Plane>& plane = m_planes[4];
  if (!plane) {
    plane = std::make_unique<Plane>(size_t(m_width) * m_height);
    for (size_t i = 0; i < plane->size(); ++i)
      (*plane)[i] = uint16_t(0.299 * m_rgb[i * 3 + R] + 0.587 * m_rgb[i * 3 + G] + 0.114 * m_rgb[i * 3 + B]);
  }
  return *plane;
}

void CSimScene::Render(EPixelType format, const SFrameGeometry& g, const SExposure& exposure,
                       uint8_t* buffer) const {
  const uint32_t rowBytes = g.width * (BitPerPixel(format) / 8) + g.paddingX;
  auto sceneIndex = [&](uint32_t x, uint32_t y) { return size_t(g.offsetY + y) * m_width + g.offsetX + x; };
  if (IsBayer(format)) {
    const auto tables = ByteTables(exposure);
    const Plane& plane = MosaicPlane(format);
    const Phase phase = BayerPhase(format);
    for (uint32_t y = 0; y < g.height; ++y) {
      const auto& row = phase[(g.offsetY + y) & 1];
      const uint8_t* even = tables[row[g.offsetX & 1]].data();
      const uint8_t* odd = tables[row[(g.offsetX + 1) & 1]].data();
      const uint16_t* in = plane.data() + sceneIndex(0, y);
      uint8_t* out = buffer + size_t(y) * rowBytes;
      uint32_t x = 0;
      for (; x + 1 < g.width; x += 2) {
        out[x] = even[in[x]];
        out[x + 1] = odd[in[x + 1]];
      }
      if (x < g.width) out[x] = even[in[x]];
    }
    return;
  }
  if (format == PixelType_Mono8 || format == PixelType_Mono12) {
    const std::vector<uint16_t> sensor = SensorTable(exposure.channelGain[G], exposure.lut);
    const Plane& plane = LumaPlane();
    for (uint32_t y = 0; y < g.height; ++y) {
      const uint16_t* in = plane.data() + sceneIndex(0, y);
      uint8_t* out = buffer + size_t(y) * rowBytes;
      if (format == PixelType_Mono8) {
        for (uint32_t x = 0; x < g.width; ++x) out[x] = uint8_t(sensor[in[x]] >> 4);
      } else {
        auto* out16 = reinterpret_cast<uint16_t*>(out);
        for (uint32_t x = 0; x < g.width; ++x) out16[x] = sensor[in[x]];
      }
    }
    return;
  }
  const auto tables = ByteTables(exposure);
  for (uint32_t y = 0; y < g.height; ++y) {
    const uint16_t* in = m_rgb.data() + sceneIndex(0, y) * 3;
    uint8_t* out = buffer + size_t(y) * rowBytes;
    for (uint32_t x = 0; x < g.width; ++x, in += 3) {
      const double r = tables[R][in[R]], gr = tables[G][in[G]], b = tables[B][in[B]];
      if (format == PixelType_BGR8packed) {
        out[x * 3] = uint8_t(b), out[x * 3 + 1] = uint8_t(gr), out[x * 3 + 2] = uint8_t(r);
      } else if (format == PixelType_YUV444packed) {
        const double luma = 0.299 * r + 0.587 * gr + 0.114 * b;
        out[x * 3] = Clamp8(luma);
        out[x * 3 + 1] = Clamp8(0.492 * (b - luma) + 128.0);
        out[x * 3 + 2] = Clamp8(0.877 * (r - luma) + 128.0);
      } else {  // YUV422packed: U Y V Y with studio-range luma
        const double luma = 16.0 + (65.481 * r + 128.553 * gr + 24.966 * b) / 255.0;
        out[x * 2 + 1] = Clamp8(luma);
        if ((x & 1) == 0)
          out[x * 2] = Clamp8(128.0 + (-37.797 * r - 74.203 * gr + 112.0 * b) / 255.0);
        else
          out[x * 2] = Clamp8(128.0 + (112.0 * r - 93.786 * gr - 18.214 * b) / 255.0);
      }
    }
  }
}

}  // namespace Pylon
