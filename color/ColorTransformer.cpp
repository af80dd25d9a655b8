#include "color/ColorTransformer.h"

#include "color/Denoiser.h"
#include "color/Levels.h"
#include "color/SkinExposure.h"
#include "color/UnsharpMask.h"
#include "pixlib/core/ColorMatrix.h"
#include "pixlib/core/Lut.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <type_traits>
#include <variant>

namespace {

float percentFactor(int percent) { return percent / 100.0f + 1.0f; }

// A property value as a number (text that is no number counts as 0).
double numberOf(const PropertyValue& value) {
  return std::visit(
      [](const auto& v) -> double {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>)
          return std::atof(v.c_str());
        else
          return static_cast<double>(v);
      },
      value);
}

std::string numberText(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

std::string rangeText(const SColorSettingField& field) {
  return "from " + numberText(field.min) + " to " + numberText(field.max);
}

}  // namespace

CColorTransformer::CColorTransformer() : m_denoiser(&CDenoiser::Default()) {}

// Captions with units, in groups; the comment names the setting as the
// presets file does, with its range.
void CColorTransformer::GetProperties(CPropertyList& list) {
  list.AddSection("Color");
  const char* group = nullptr;
  for (const SColorSettingField& field : ColorSettingFields()) {
    if (group != field.group) {
      if (group) list.EndGroup();
      group = field.group;
      list.BeginGroup(group);
    }
    std::string comment = std::string("\"") + field.name + "\" in the presets file";
    if (field.kind == SColorSettingField::Float)
      list.AddFloat(this, field.caption, &(m_settings.*field.real), field.min, field.max,
                    comment + "; " + rangeText(field));
    else if (field.kind == SColorSettingField::Bool)
      list.AddBool(this, field.caption, &(m_settings.*field.integer), comment);
    else
      list.AddInteger(this, field.caption, &(m_settings.*field.integer), int(field.min), int(field.max),
                      comment + "; " + rangeText(field));
  }
  if (group) list.EndGroup();
}

bool CColorTransformer::OnPropertyChanged(PropertyId id, const PropertyValue& value) {
  const double number = numberOf(value);
  if (std::isnan(number)) return true;  // accepted, nothing to store
  for (const SColorSettingField& field : ColorSettingFields()) {
    if (field.kind == SColorSettingField::Float && id == &(m_settings.*field.real))
      m_settings.*field.real = static_cast<float>(number);
    else if (field.kind != SColorSettingField::Float && id == &(m_settings.*field.integer))
      m_settings.*field.integer = static_cast<int>(std::clamp(number, field.min, field.max));
  }
  ClampColorSettings(m_settings);
  return true;
}

bool CColorTransformer::IsPropertyEnabled(PropertyId) { return true; }

float CColorTransformer::BrightnessFactor(CxImage& image) const {
  float factor = percentFactor(m_settings.m_brightness);
  if (!m_settings.m_skinExposure) return factor;
  // Without skin in the picture there is nothing to correct by.
  if (const std::optional<double> mean = MeanSkinLuminance(image); mean && *mean > 0.0)
    factor += static_cast<float>((m_settings.m_targetSkinExposure - *mean) / *mean);
  return factor;
}

// rgbrgb8 x yccrgb x Red x Green x Blue x Saturation x Brightness x rgbycc x rgb8rgb.
void CColorTransformer::BuildMatrix(const float (&corrections)[3], float brightness, float* matrix) const {
  float factor[16];
  Mult4(rgbrgb8, yccrgb, matrix);
  RedMatrix(percentFactor(m_settings.m_red) + corrections[2], factor);
  Concat4(matrix, factor);
  GreenMatrix(percentFactor(m_settings.m_green) + corrections[1], factor);
  Concat4(matrix, factor);
  BlueMatrix(percentFactor(m_settings.m_blue) + corrections[0], factor);
  Concat4(matrix, factor);
  SaturationMatrix(percentFactor(m_settings.m_saturation), factor);
  Concat4(matrix, factor);
  BrightnessMatrix(brightness, factor);
  Concat4(matrix, factor);
  Concat4(matrix, rgbycc);
  Concat4(matrix, rgb8rgb);
}

void CColorTransformer::Transform(CxImage& source, CxImage& target, bool allowDenoise) {
  if (!source.IsValid() || !target.IsValid() || source.Width() != target.Width() ||
      source.Height() != target.Height() || source.SamplesPerPixel() != target.SamplesPerPixel())
    return;
  source.SetCOI(0);
  target.SetCOI(0);
  float corrections[3] = {0.0f, 0.0f, 0.0f};  // B, G, R
  if (m_settings.m_colorStretch) {
    if (m_settings.m_rgbColorStretch)
      StretchChannels(source, source, corrections);
    else
      StretchLuminance(source);
  }
  if (m_settings.m_denoiser && allowDenoise)
    m_denoiser->Restore(source, {m_settings.m_amplitude, m_settings.m_sharpness, m_settings.m_anisotropy,
                                 m_settings.m_alpha, m_settings.m_sigma});
  CxImage* input = &source;
  if (m_settings.m_unsharpMask &&
      UnsharpMask(source, target, m_settings.m_unsharpSigma, m_settings.m_unsharpAmount))
    input = &target;
  float matrix[16];
  BuildMatrix(corrections, BrightnessFactor(*input), matrix);
  CLut contrast;
  ContrastLUT(percentFactor(m_settings.m_contrast) * 0.5f, contrast);
  // Contrast 0 is the identity curve: the table pass is left out.
  input->ApplyColorTwist(matrix, target, m_settings.m_contrast ? static_cast<IplLUT*>(contrast) : nullptr);
}

void CColorTransformer::AutoLevels(CxImage& source, CxImage& target) {
  if (!source.IsValid()) return;
  CRect roi;
  source.GetROI(roi);
  const int width = roi.right - roi.left, height = roi.bottom - roi.top;
  if (!target.IsValid() || target.Width() != width || target.Height() != height) {
    if (!target.Create(width, height, target.HasAlphaChannel() ? 1 : 0, 1, 0)) return;
  }
  float corrections[3];
  StretchChannels(source, target, corrections);
}

bool CColorTransformer::Load(TiXmlDocument* document, TiXmlElement* parent) {
  if (!document) return false;
  return LoadColorSettings(parent ? static_cast<const TiXmlNode&>(*parent) : *document, m_settings);
}

bool CColorTransformer::Save(TiXmlDocument* document, TiXmlElement* parent) const {
  if (!document) return false;
  SaveColorSettings(parent ? static_cast<TiXmlNode&>(*parent) : *document, m_settings);
  return true;
}
