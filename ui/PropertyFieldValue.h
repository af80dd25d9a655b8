#pragma once
// Reading, writing and parsing the value of one field of a property list,
// whatever its kind. The grid works through these, so every kind is handled
// in one place.
#include "camera/IPropertyHost.h"

#include <optional>
#include <string>

// The field's member as a property value (Choice and Integer: int, Bool: bool,
// Float and Double: double, Int64: std::int64_t, Text: std::string).
PropertyValue ReadFieldValue(const CProperty& field);
// Stores a value of the field's kind into its member.
void WriteFieldValue(const CProperty& field, const PropertyValue& value);
// The member as the text an editor shows.
std::string FieldText(const CProperty& field);
// The value typed for a number or text field, brought into the field's range
// (`limited` then says whether it had to be); nothing when the text is no number
// of the field's kind.
std::optional<PropertyValue> ParseFieldText(const CProperty& field, const std::string& text,
                                            bool* limited = nullptr);
// A number field's range as the grid states it ("16 to 2048"); "" without one.
std::string RangeText(const CProperty& field);
