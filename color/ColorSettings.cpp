#include "color/ColorSettings.h"

#include "aec/XmlValues.h"

#include <algorithm>
#include <cmath>

namespace {

using F = SColorSettingField;
using S = CColorSettings;

constexpr SColorSettingField kFields[22] = {
    {"Red", F::Integer, &S::m_red, nullptr, -100, 100},
    {"Green", F::Integer, &S::m_green, nullptr, -100, 100},
    {"Blue", F::Integer, &S::m_blue, nullptr, -100, 100},
    {"Brightness", F::Integer, &S::m_brightness, nullptr, -100, 100},
    {"Contrast", F::Integer, &S::m_contrast, nullptr, -100, 100},
    {"Saturation", F::Integer, &S::m_saturation, nullptr, -100, 100},
    {"ColorStretch", F::Bool, &S::m_colorStretch, nullptr, 0, 1},
    {"RGBColorStretch", F::Bool, &S::m_rgbColorStretch, nullptr, 0, 1},
    {"StretchUpperLimit", F::Float, nullptr, &S::m_stretchUpperLimit, 0, 1},
    {"StretchLowerLimit", F::Float, nullptr, &S::m_stretchLowerLimit, 0, 1},
    {"UnsharpMask", F::Bool, &S::m_unsharpMask, nullptr, 0, 1},
    {"UnsharpSigma", F::Float, nullptr, &S::m_unsharpSigma, 0, 50},
    {"UnsharpAmount", F::Float, nullptr, &S::m_unsharpAmount, 0, 10},
    {"SkinExposure", F::Bool, &S::m_skinExposure, nullptr, 0, 1},
    {"TargetSkinExposure", F::Integer, &S::m_targetSkinExposure, nullptr, 0, 255},
    {"ConvertToSRGB", F::Bool, &S::m_convertToSRGB, nullptr, 0, 1},
    {"Denoiser", F::Bool, &S::m_denoiser, nullptr, 0, 1},
    {"Amplitude", F::Float, nullptr, &S::m_amplitude, 0, 1000},
    {"Sharpness", F::Float, nullptr, &S::m_sharpness, 0, 10},
    {"Anisotropy", F::Float, nullptr, &S::m_anisotropy, 0, 1},
    {"Alpha", F::Float, nullptr, &S::m_alpha, 0, 10},
    {"Sigma", F::Float, nullptr, &S::m_sigma, 0, 10},
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
    for (const SColorSettingField& field : kFields)
        clampField(field, settings);
}

bool LoadColorSettings(const TiXmlNode& parent, CColorSettings& settings) {
    const TiXmlElement* element = parent.FirstChildElement(kElement);
    if (!element)
        return false;
    for (const SColorSettingField& field : kFields) {
        if (field.kind != F::Float) {
            AEC::ReadValue(*element, field.name, settings.*field.integer);
        } else if (const TiXmlElement* child = element->FirstChildElement(field.name)) {
            double value = settings.*field.real;
            if (child->QueryDoubleAttribute("value", &value) == TIXML_SUCCESS)
                settings.*field.real = float(value);
        }
        clampField(field, settings);
    }
    return true;
}

void SaveColorSettings(TiXmlNode& parent, const CColorSettings& settings) {
    TiXmlElement* existing = parent.FirstChildElement(kElement);
    TiXmlElement& element = existing ? *existing : *parent.LinkEndChild(new TiXmlElement(kElement))->ToElement();
    for (const SColorSettingField& field : kFields) {
        if (field.kind == F::Float)
            AEC::ChildElement(element, field.name).SetDoubleAttribute("value", settings.*field.real);
        else
            AEC::WriteValue(element, field.name, settings.*field.integer);
    }
}
