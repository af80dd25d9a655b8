#pragma once
// The colour transformer's settings, their defaults and edit ranges, and
// their form in the XML settings: one child element per setting, named
// after it, with the attribute "value", inside an element "ColorTransformer".
#include <tinyxml.h>

#include <span>

struct CColorSettings {
  int m_red = 0;  // balance in percent, -100 ... 100
  int m_green = 0;
  int m_blue = 0;
  int m_brightness = 0;
  int m_contrast = 0;
  int m_saturation = 0;
  int m_colorStretch = 0;             // automatic levels
  int m_rgbColorStretch = 1;          // levels per colour channel (1) or on luminance (0)
  float m_stretchUpperLimit = 0.01f;  // stored and edited; the levels do not read them
  float m_stretchLowerLimit = 0.01f;
  int m_unsharpMask = 0;
  float m_unsharpSigma = 6.0f;
  float m_unsharpAmount = 1.2f;
  int m_skinExposure = 0;
  int m_targetSkinExposure = 150;
  int m_convertToSRGB = 0;  // stored and edited; no stage reads it
  int m_denoiser = 0;
  float m_amplitude = 60.0f;
  float m_sharpness = 0.7f;
  float m_anisotropy = 0.3f;
  float m_alpha = 0.6f;
  float m_sigma = 1.1f;
};

// One setting: its name (its element name), its member and range, and how
// the grid shows it: a caption with the unit, and the group it belongs to.
struct SColorSettingField {
  enum Kind { Integer, Bool, Float };
  const char* name;
  Kind kind;
  int CColorSettings::*integer;  // Integer and Bool
  float CColorSettings::*real;   // Float
  double min, max;
  const char* caption;
  const char* group;
};

// The 22 settings in the order the grid lists them.
std::span<const SColorSettingField> ColorSettingFields();

// Brings every setting into its range (values read from files may lie outside).
void ClampColorSettings(CColorSettings& settings);

// Reads the "ColorTransformer" child of parent (an element or the document);
// false when it is missing. Missing or unreadable values keep what the
// settings held; values outside their ranges are clamped.
bool LoadColorSettings(const TiXmlNode& parent, CColorSettings& settings);
// Writes the "ColorTransformer" child of parent, reusing it when present.
void SaveColorSettings(TiXmlNode& parent, const CColorSettings& settings);
