#include "aec/PropertyList.h"

void CPropertyList::AddSection(std::string label)
{
    m_items.push_back({.kind = PropertyKind::Section, .label = std::move(label)});
}

void CPropertyList::AddChoice(IPropertyHost* host, std::string label, int* value,
                              std::string comment, std::vector<CPropertyChoice> choices)
{
    m_items.push_back({.kind = PropertyKind::Choice,
                       .label = std::move(label),
                       .comment = std::move(comment),
                       .host = host,
                       .value = value,
                       .choices = std::move(choices)});
}

void CPropertyList::AddInteger(IPropertyHost* host, std::string label, int* value, int min, int max,
                               std::string comment)
{
    m_items.push_back({.kind = PropertyKind::Integer,
                       .label = std::move(label),
                       .comment = std::move(comment),
                       .host = host,
                       .value = value,
                       .min = min,
                       .max = max});
}

void CPropertyList::AddBool(IPropertyHost* host, std::string label, int* value, std::string comment)
{
    m_items.push_back({.kind = PropertyKind::Bool,
                       .label = std::move(label),
                       .comment = std::move(comment),
                       .host = host,
                       .value = value,
                       .min = 0,
                       .max = 1});
}

void CPropertyList::AddFloat(IPropertyHost* host, std::string label, float* value, double min, double max,
                             std::string comment)
{
    m_items.push_back({.kind = PropertyKind::Float,
                       .label = std::move(label),
                       .comment = std::move(comment),
                       .host = host,
                       .real = value,
                       .realMin = min,
                       .realMax = max});
}

const CProperty* CPropertyList::Find(const void* id) const
{
    for (const CProperty& item : m_items)
        if (item.kind != PropertyKind::Section && id != nullptr && (item.value == id || item.real == id))
            return &item;
    return nullptr;
}
