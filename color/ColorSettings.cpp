#include "color/ColorSettings.h"

#include "aec/XmlValues.h"

#include <algorithm>
#include <cmath>

namespace {

using F = SColorSettingField;
using S = CColorSettings;

constexpr const char* kBalance = "Balance and tone";
constexpr const char* kLevels = "Automatic levels";
constexpr const char* kSharpening = "Sharpening";
constexpr const char* kSkin = "Skin";
constexpr const char* kColourSpace = "Colour space";
constexpr const char* kDenoiser = "Denoiser";

constexpr SColorSettingField kFields[22] = {
    {"Red", F::Integer, &S::m_red, nullptr, -100, 100, "Red (%)", kBalance},
    {"Green", F::Integer, &S::m_green, nullptr, -100, 100, "Green (%)", kBalance},
    {"Blue", F::Integer, &S::m_blue, nullptr, -100, 100, "Blue (%)", kBalance},
    {"Brightness", F::Integer, &S::m_brightness, nullptr, -100, 100, "Brightness (%)", kBalance},
    {"Contrast", F::Integer, &S::m_contrast, nullptr, -100, 100, "Contrast (%)", kBalance},
    {"Saturation", F::Integer, &S::m_saturation, nullptr, -100, 100, "Saturation (%)", kBalance},
    {"ColorStretch", F::Bool, &S::m_colorStretch, nullptr, 0, 1, "Stretch the levels", kLevels},
    {"RGBColorStretch", F::Bool, &S::m_rgbColorStretch, nullptr, 0, 1, "Each colour on its own", kLevels},
    {"StretchUpperLimit", F::Float, nullptr, &S::m_stretchUpperLimit, 0, 1, "Upper limit (fraction)",
     kLevels},
    {"StretchLowerLimit", F::Float, nullptr, &S::m_stretchLowerLimit, 0, 1, "Lower limit (fraction)",
     kLevels},
    {"UnsharpMask", F::Bool, &S::m_unsharpMask, nullptr, 0, 1, "Sharpen", kSharpening},
    {"UnsharpSigma", F::Float, nullptr, &S::m_unsharpSigma, 0, 50, "Radius (pixels)", kSharpening},
    {"UnsharpAmount", F::Float, nullptr, &S::m_unsharpAmount, 0, 10, "Amount (times)", kSharpening},
    {"SkinExposure", F::Bool, &S::m_skinExposure, nullptr, 0, 1, "Correct the skin's exposure", kSkin},
    {"TargetSkinExposure", F::Integer, &S::m_targetSkinExposure, nullptr, 0, 255, "Target skin level (0-255)",
     kSkin},
    {"ConvertToSRGB", F::Bool, &S::m_convertToSRGB, nullptr, 0, 1, "Convert to sRGB", kColourSpace},
    {"Denoiser", F::Bool, &S::m_denoiser, nullptr, 0, 1, "Remove noise", kDenoiser},
    {"Amplitude", F::Float, nullptr, &S::m_amplitude, 0, 1000, "Strength", kDenoiser},
    {"Sharpness", F::Float, nullptr, &S::m_sharpness, 0, 10, "Edge keeping", kDenoiser},
    {"Anisotropy", F::Float, nullptr, &S::m_anisotropy, 0, 1, "Anisotropy (0-1)", kDenoiser},
    {"Alpha", F::Float, nullptr, &S::m_alpha, 0, 10, "Noise scale (pixels)", kDenoiser},
    {"Sigma", F::Float, nullptr, &S::m_sigma, 0, 10, "Edge smoothing (pixels)", kDenoiser},
};

constexpr const char* kElement = "ColorTransformer";

void clampField(const SColorSettingField& field, CColorSettings& settings) {
  if (field.kind == F::Float) {
    float& v = settings.*field.real;
    const CColorSettings defaults;
    v = std::isnan(v) ? defaults.*field.real : std::clamp(v, float(field.min), float(field.max));
  } else {
    int& v = settings.*field.integer;
    v = std::clamp(v, int(field.min), int(field.max));
  }
}

}  // namespace

std::span<const SColorSettingField> ColorSettingFields() { return kFields; }

void ClampColorSettings(CColorSettings& settings) {
  for (const SColorSettingField& field : kFields) clampField(field, settings);
}

bool LoadColorSettings(const TiXmlNode& parent, CColorSettings& settings) {
  const TiXmlElement* element = parent.FirstChildElement(kElement);
  if (!element) return false;
  for (const SColorSettingField& field : kFields) {
    if (field.kind != F::Float) {
      AEC::ReadValue(*element, field.name, settings.*field.integer);
    } else if (const TiXmlElement* child = element->FirstChildElement(field.name)) {
      double value = settings.*field.real;
      if (child->QueryDoubleAttribute("value", &value) == TIXML_SUCCESS) settings.*field.real = float(value);
    }
    clampField(field, settings);
  }
  return true;
}

void SaveColorSettings(TiXmlNode& parent, const CColorSettings& settings) {
  TiXmlElement* existing = parent.FirstChildElement(kElement);
  TiXmlElement& element =
      existing ? *existing : *parent.LinkEndChild(new TiXmlElement(kElement))->ToElement();
  for (const SColorSettingField& field : kFields) {
    if (field.kind == F::Float)
      AEC::ChildElement(element, field.name).SetDoubleAttribute("value", settings.*field.real);
    else
      AEC::WriteValue(element, field.name, settings.*field.integer);
  }
}
