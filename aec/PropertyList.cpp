#include "aec/PropertyList.h"

const void* CProperty::Id() const {
  if (value) return value;
  if (real) return real;
  if (real64) return real64;
  if (value64) return value64;
  return text;
}

void CPropertyList::AddSection(std::string label) {
  m_depth = 0;
  BeginGroup(std::move(label));
}

void CPropertyList::BeginGroup(std::string label) {
  m_items.push_back({.kind = PropertyKind::Section, .label = std::move(label), .depth = m_depth});
  ++m_depth;
}

void CPropertyList::EndGroup() {
  if (m_depth > 0) --m_depth;
}

CProperty& CPropertyList::AddField(CProperty item) {
  item.depth = m_depth;
  return m_items.emplace_back(std::move(item));
}

void CPropertyList::AddChoice(IPropertyHost* host, std::string label, int* value, std::string comment,
                              std::vector<CPropertyChoice> choices) {
  AddField({.kind = PropertyKind::Choice,
            .label = std::move(label),
            .comment = std::move(comment),
            .host = host,
            .value = value,
            .choices = std::move(choices)});
}

void CPropertyList::AddInteger(IPropertyHost* host, std::string label, int* value, int min, int max,
                               std::string comment) {
  AddField({.kind = PropertyKind::Integer,
            .label = std::move(label),
            .comment = std::move(comment),
            .host = host,
            .value = value,
            .min = min,
            .max = max});
}

void CPropertyList::AddBool(IPropertyHost* host, std::string label, int* value, std::string comment) {
  AddField({.kind = PropertyKind::Bool,
            .label = std::move(label),
            .comment = std::move(comment),
            .host = host,
            .value = value,
            .min = 0,
            .max = 1});
}

void CPropertyList::AddFloat(IPropertyHost* host, std::string label, float* value, double min, double max,
                             std::string comment) {
  AddField({.kind = PropertyKind::Float,
            .label = std::move(label),
            .comment = std::move(comment),
            .host = host,
            .real = value,
            .realMin = min,
            .realMax = max});
}

void CPropertyList::AddDouble(IPropertyHost* host, std::string label, double* value, double min, double max,
                              std::string comment) {
  AddField({.kind = PropertyKind::Double,
            .label = std::move(label),
            .comment = std::move(comment),
            .host = host,
            .realMin = min,
            .realMax = max,
            .real64 = value});
}

void CPropertyList::AddInt64(IPropertyHost* host, std::string label, std::int64_t* value, std::int64_t min,
                             std::int64_t max, std::string comment) {
  AddField({.kind = PropertyKind::Int64,
            .label = std::move(label),
            .comment = std::move(comment),
            .host = host,
            .value64 = value,
            .min64 = min,
            .max64 = max});
}

void CPropertyList::AddText(IPropertyHost* host, std::string label, std::string* value, std::string comment) {
  AddField({.kind = PropertyKind::Text,
            .label = std::move(label),
            .comment = std::move(comment),
            .host = host,
            .text = value});
}

void CPropertyList::SetLastReadOnly(bool readOnly) {
  if (!m_items.empty() && m_items.back().kind != PropertyKind::Section) m_items.back().readOnly = readOnly;
}

void CPropertyList::SetLastFeature(std::string feature, std::string unit) {
  if (m_items.empty()) return;
  m_items.back().feature = std::move(feature);
  m_items.back().unit = std::move(unit);
}

const CProperty* CPropertyList::Find(const void* id) const {
  if (id == nullptr) return nullptr;
  for (const CProperty& item : m_items)
    if (item.kind != PropertyKind::Section && item.Id() == id) return &item;
  return nullptr;
}
