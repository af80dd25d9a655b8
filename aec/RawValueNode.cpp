#include "aec/RawValueNode.h"

#include <cmath>

namespace AEC {

void CRawValueNode::Bind(GenApi::INodeMap* nodeMap, const char* rawName,
                         std::initializer_list<const char*> floatNames, const char* unitNodeName,
                         double fallbackFloatPerRaw) {
  Unbind();
  if (!nodeMap) return;
  m_raw = nodeMap->GetNode(rawName);
  if (m_raw.IsValid()) {
    m_name = rawName;
    return;
  }
  for (const char* name : floatNames) {
    m_float = nodeMap->GetNode(name);
    if (m_float.IsValid()) {
      m_name = name;
      break;
    }
  }
  GenApi::CFloatPtr unit;
  if (unitNodeName) unit = nodeMap->GetNode(unitNodeName);
  m_floatPerRaw = unit.IsValid() && unit->GetValue() > 0 ? unit->GetValue() : fallbackFloatPerRaw;
}

void CRawValueNode::Unbind() {
  m_raw = {};
  m_float = {};
  m_name.clear();
}

int64_t CRawValueNode::Get() const {
  if (m_raw.IsValid()) return m_raw->GetValue();
  return std::llround(m_float->GetValue() / m_floatPerRaw);
}

void CRawValueNode::Set(int64_t value) const {
  if (m_raw.IsValid())
    m_raw->SetValue(value, true);
  else
    m_float->SetValue(static_cast<double>(value) * m_floatPerRaw, true);
}

int64_t CRawValueNode::Min() const {
  if (m_raw.IsValid()) return m_raw->GetMin();
  return static_cast<int64_t>(std::ceil(m_float->GetMin() / m_floatPerRaw));
}

int64_t CRawValueNode::Max() const {
  if (m_raw.IsValid()) return m_raw->GetMax();
  return static_cast<int64_t>(std::floor(m_float->GetMax() / m_floatPerRaw));
}

}  // namespace AEC
