#pragma once
// Finding the groups and fields of a property list by label or by the camera
// feature they show, for tests.
#include <string>

#include "aec/PropertyList.h"

// The first group (or field) labelled `label`, or showing the feature `label`, from item `from` on.
inline const CProperty* FindItem(const CPropertyList& list, bool group, const std::string& label,
                                 size_t from = 0) {
  const auto& items = list.Items();
  for (size_t i = from; i < items.size(); ++i)
    if ((items[i].kind == PropertyKind::Section) == group &&
        (items[i].label == label || items[i].feature == label))
      return &items[i];
  return nullptr;
}

inline const CProperty* Group(const CPropertyList& list, const std::string& label) {
  return FindItem(list, true, label);
}

// The field `label` inside the group `group`, at any depth below it.
inline const CProperty* Field(const CPropertyList& list, const std::string& group, const std::string& label) {
  const CProperty* heading = Group(list, group);
  if (!heading) return nullptr;
  const auto& items = list.Items();
  for (size_t i = size_t(heading - items.data()) + 1; i < items.size() && items[i].depth > heading->depth;
       ++i)
    if (items[i].kind != PropertyKind::Section && (items[i].label == label || items[i].feature == label))
      return &items[i];
  return nullptr;
}
