#pragma once
// Settings stored as child elements carrying one integer attribute "value".
#include <tinyxml.h>

namespace AEC {

// The child element `name` of `parent`, created when missing.
TiXmlElement& ChildElement(TiXmlElement& parent, const char* name);

// Writes `value` into the child `name`, reusing the child when present.
void WriteValue(TiXmlElement& parent, const char* name, int value);

// Reads the child `name` into `value`; a missing child or attribute keeps `value`.
void ReadValue(const TiXmlElement& parent, const char* name, int& value);

}  // namespace AEC
