#include "aec/LevelAEC.h"

#include <limits>

#include "aec/PropertyList.h"
#include "aec/XmlValues.h"

namespace AEC {

float CLevelAEC::Level(const CExposureStatistics& statistics) const {
  return m_statistic == LevelStatistic::Mean ? statistics.mean : statistics.median;
}

float CLevelAEC::Step(float exposure, float level) const {
  const float desired = static_cast<float>(m_desiredExp);
  // A black measurement says nothing about how far under the frame is: open
  // up to the longest allowed exposure (the controller's upper limit), unless
  // black is what is wanted.
  if (level == 0) return desired == 0 ? exposure : std::numeric_limits<float>::infinity();
  const double kept = m_statistic == LevelStatistic::Mean ? 0.2 : 0.3;
  return static_cast<float>(kept * exposure + (1 - kept) * desired / (level / exposure));
}

void CLevelAEC::GetProperties(IPropertyHost* host, CPropertyList& list) {
  list.AddSection(GetElementName() + "AEC");
  list.AddInteger(host, "Desired exposition", &m_desiredExp, 0, 255, "Desired exposition level (0-255)");
}

bool CLevelAEC::Load(const TiXmlElement& parent) {
  const TiXmlElement* element = parent.FirstChildElement(GetElementName());
  if (!element) return false;
  ReadValue(*element, "DesiredExp", m_desiredExp);
  return true;
}

bool CLevelAEC::Save(TiXmlElement& parent) {
  WriteValue(ChildElement(parent, GetElementName().c_str()), "DesiredExp", m_desiredExp);
  return true;
}

}  // namespace AEC
