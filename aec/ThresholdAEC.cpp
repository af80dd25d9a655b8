#include "aec/ThresholdAEC.h"

#include <cstdint>

#include "aec/PropertyList.h"
#include "aec/XmlValues.h"

namespace AEC {

float CThresholdAEC::Step(float exposure, float under, float over) const {
  const float e = exposure;
  auto result = static_cast<int64_t>(e);
  if (over > static_cast<float>(m_overThrs))
    result = static_cast<int64_t>(e - static_cast<float>(static_cast<int64_t>(m_downStep * e / 100)));
  if (under > static_cast<float>(m_underThrs))
    result = static_cast<int64_t>(static_cast<float>(static_cast<int64_t>(m_upStep * e / 100)) + e);
  return static_cast<float>(result);
}

void CThresholdAEC::GetProperties(IPropertyHost* host, CPropertyList& list) {
  list.AddSection(GetElementName() + "AEC");
  list.AddInteger(host, "Up Step", &m_upStep, 1, 100, "% step size for increasing shutter speed");
  list.AddInteger(host, "Down Step", &m_downStep, 1, 100, "% step size for decreasing shutter speed");
  list.AddInteger(host, "Overexposed threshold", &m_overThrs, 1, 100,
                  "% of overexposed pixels for which an image is declared overexposed");
  list.AddInteger(host, "Underexposed threshold", &m_underThrs, 1, 100,
                  "% of underexposed pixels for which an image is declared underexposed");
}

bool CThresholdAEC::Load(const TiXmlElement& parent) {
  const TiXmlElement* element = parent.FirstChildElement(GetElementName());
  if (!element) return false;
  ReadValue(*element, "UpStep", m_upStep);
  ReadValue(*element, "DownStep", m_downStep);
  ReadValue(*element, "OverThrs", m_overThrs);
  ReadValue(*element, "UnderThrs", m_underThrs);
  return true;
}

bool CThresholdAEC::Save(TiXmlElement& parent) {
  TiXmlElement& element = ChildElement(parent, GetElementName().c_str());
  WriteValue(element, "UpStep", m_upStep);
  WriteValue(element, "DownStep", m_downStep);
  WriteValue(element, "OverThrs", m_overThrs);
  WriteValue(element, "UnderThrs", m_underThrs);
  return true;
}

}  // namespace AEC
