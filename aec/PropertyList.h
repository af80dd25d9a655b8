#pragma once
// Settings offered to the property grid: a flat list of section headings and
// editable fields. Each field carries the address of the member it edits, which
// is also the id the grid reports back to the owning host.
#include <string>
#include <vector>

class IPropertyHost;

enum class PropertyKind { Section, Choice, Integer, Bool, Float };

struct CPropertyChoice {
    std::string label;
    int value;
    std::string comment;
};

struct CProperty {
    PropertyKind kind = PropertyKind::Section;
    std::string label{};
    std::string comment{};
    IPropertyHost* host = nullptr;
    int* value = nullptr;  // Choice, Integer and Bool (0 or 1)
    int min = 0;
    int max = 0;
    float* real = nullptr;  // Float
    double realMin = 0.0;
    double realMax = 0.0;
    std::vector<CPropertyChoice> choices{};
};

class CPropertyList {
public:
    void AddSection(std::string label);
    void AddChoice(IPropertyHost* host, std::string label, int* value, std::string comment,
                   std::vector<CPropertyChoice> choices);
    void AddInteger(IPropertyHost* host, std::string label, int* value, int min, int max,
                    std::string comment);

    void AddBool(IPropertyHost* host, std::string label, int* value, std::string comment);
    void AddFloat(IPropertyHost* host, std::string label, float* value, double min, double max,
                  std::string comment);

    const std::vector<CProperty>& Items() const { return m_items; }
    // The field bound to the member at `id`, or null.
    const CProperty* Find(const void* id) const;

private:
    std::vector<CProperty> m_items;
};
