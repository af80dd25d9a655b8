#include "pixlib/core/Lut.h"

#include <algorithm>
#include <cmath>
#include <cstring>

CLut::CLut() {
  for (int i = 0; i < 257; ++i) m_keys[i] = i;
  for (int i = 0; i < 256; ++i) m_values[i] = i;
  Bind();
}

CLut::CLut(const CLut& other) {
  std::memcpy(m_keys, other.m_keys, sizeof m_keys);
  std::memcpy(m_values, other.m_values, sizeof m_values);
  Bind();
}

CLut& CLut::operator=(const CLut& other) {
  if (this != &other) {
    std::memcpy(m_keys, other.m_keys, sizeof m_keys);
    std::memcpy(m_values, other.m_values, sizeof m_values);
  }
  return *this;
}

void CLut::Bind() {
  m_lut.num = 257;
  m_lut.key = m_keys;
  m_lut.value = m_values;
  m_lut.factor = nullptr;
  m_lut.interpolateType = IPL_LUT_LOOKUP;
}

namespace {

// The curve at d in 0..1 for c = 1 - b strictly between 0 and 1.
double contrastCurve(double d, double c) {
  const double k = (1.0 / c - 2.0) * (1.0 - 2.0 * d);
  return d < 0.5 ? d / (k + 1.0) : (k - d) / (k - 1.0);
}

}  // namespace

void ContrastLUT(float b, IplLUT* lut) {
  if (!lut || !lut->value || lut->num < 257) return;
  // Outside 0..1 the curve divides by zero or leaves the 8-bit range.
  const double c = 1.0 - (std::isnan(b) ? 0.5 : std::clamp(static_cast<double>(b), 0.0, 1.0));
  for (int i = 0; i < 256; ++i) {
    const double d = i / 255.0;
    double f;
    if (c == 1.0)
      f = 0.5;
    else if (c == 0.0)
      f = d < 0.5 ? 0.0 : 1.0;
    else
      f = contrastCurve(d, c);
    lut->value[i] = static_cast<int>(std::clamp(255.0 * f, 0.0, 255.0));
  }
}
