#include "aec/XmlValues.h"

namespace AEC {

TiXmlElement& ChildElement(TiXmlElement& parent, const char* name) {
  if (TiXmlElement* child = parent.FirstChildElement(name)) return *child;
  return *parent.LinkEndChild(new TiXmlElement(name))->ToElement();
}

void WriteValue(TiXmlElement& parent, const char* name, int value) {
  ChildElement(parent, name).SetAttribute("value", value);
}

void ReadValue(const TiXmlElement& parent, const char* name, int& value) {
  if (const TiXmlElement* child = parent.FirstChildElement(name)) child->QueryIntAttribute("value", &value);
}

}  // namespace AEC
