#pragma once
// Interface of every object whose settings the property grid edits. A property
// is identified by the address of the member that holds its value.
#include <string>
#include <variant>

#include "aec/PropertyList.h"

using PropertyId = const void*;
using PropertyValue = std::variant<int, double, bool, std::string>;

class IPropertyHost {
public:
    virtual ~IPropertyHost() = default;
    virtual void GetProperties(CPropertyList& list);
    virtual bool OnPropertyChanged(PropertyId id, const PropertyValue& newValue);
    virtual bool IsPropertyEnabled(PropertyId id);
};
