#pragma once
// Interface of every object whose settings the property grid edits. A property
// is identified by the address of the member that holds its value.
#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "aec/PropertyList.h"

using PropertyId = const void*;
using PropertyValue = std::variant<int, double, bool, std::string, std::int64_t>;

class IPropertyHost {
 public:
  virtual ~IPropertyHost() = default;
  virtual void GetProperties(CPropertyList& list);
  virtual bool OnPropertyChanged(PropertyId id, const PropertyValue& newValue);
  virtual bool IsPropertyEnabled(PropertyId id);
  // Called, on any thread, when a value or its enabled state changed outside
  // the grid (a camera's node callbacks); a null id means the whole list must
  // be rebuilt (camera removed or reopened). Hosts whose values never change
  // on their own ignore the observer.
  using Observer = std::function<void(PropertyId)>;
  virtual void SetPropertyObserver(Observer observer);
};
