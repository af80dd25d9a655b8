#pragma once
// Settings offered to the property grid: a flat list of group headings and
// editable fields. Each field carries the address of the member it edits, which
// is also the id the grid reports back to the owning host. Groups nest: every
// item records its depth, so a grid can indent or fold them.
#include <cstdint>
#include <string>
#include <vector>

class IPropertyHost;

enum class PropertyKind { Section, Choice, Integer, Bool, Float, Double, Int64, Text };

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
  double* real64 = nullptr;         // Double (range in realMin/realMax)
  std::int64_t* value64 = nullptr;  // Int64
  std::int64_t min64 = 0;
  std::int64_t max64 = 0;
  std::string* text = nullptr;  // Text
  bool readOnly = false;        // shown, not editable
  int depth = 0;                // 0 for top-level groups, +1 per enclosing group
  std::string feature{};        // the camera feature (or category) shown; "" for a program setting
  std::string unit{};           // of a number's value, as the camera states it; "" without one

  // The address of the edited member (the property's id), or null for a heading.
  const void* Id() const;
};

class CPropertyList {
 public:
  // A top-level group: closes any open groups first.
  void AddSection(std::string label);
  // A group nested in the current one, closed by EndGroup.
  void BeginGroup(std::string label);
  void EndGroup();

  void AddChoice(IPropertyHost* host, std::string label, int* value, std::string comment,
                 std::vector<CPropertyChoice> choices);
  void AddInteger(IPropertyHost* host, std::string label, int* value, int min, int max, std::string comment);

  void AddBool(IPropertyHost* host, std::string label, int* value, std::string comment);
  void AddFloat(IPropertyHost* host, std::string label, float* value, double min, double max,
                std::string comment);
  void AddDouble(IPropertyHost* host, std::string label, double* value, double min, double max,
                 std::string comment);
  void AddInt64(IPropertyHost* host, std::string label, std::int64_t* value, std::int64_t min,
                std::int64_t max, std::string comment);
  void AddText(IPropertyHost* host, std::string label, std::string* value, std::string comment);
  // Marks the field added last as read-only.
  void SetLastReadOnly(bool readOnly = true);
  // Names the camera feature the item added last (a field or a group) shows, and its unit.
  void SetLastFeature(std::string feature, std::string unit = {});

  const std::vector<CProperty>& Items() const { return m_items; }
  // The field bound to the member at `id`, or null.
  const CProperty* Find(const void* id) const;

 private:
  CProperty& AddField(CProperty item);

  std::vector<CProperty> m_items;
  int m_depth = 0;
};
