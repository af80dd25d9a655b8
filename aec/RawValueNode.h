#pragma once
// A camera value in the units of a raw integer feature. Bound to the raw
// integer node when the camera has it, else to a float node whose value is
// the raw value times a fixed unit, so that limits, kept values and written
// values stay in raw units whatever the camera offers.
#include <cstdint>
#include <initializer_list>
#include <string>

#include "pylon/NodePointer.h"

namespace AEC {

class CRawValueNode {
 public:
  // The integer node `rawName` if present, else the first float node of
  // `floatNames`. A raw step is worth the value of the float node
  // `unitNodeName` in float units, or `fallbackFloatPerRaw` without it.
  void Bind(GenApi::INodeMap* nodeMap, const char* rawName, std::initializer_list<const char*> floatNames,
            const char* unitNodeName, double fallbackFloatPerRaw);
  void Unbind();

  bool IsValid() const { return m_raw.IsValid() || m_float.IsValid(); }
  // The bound node's name, "" when unbound.
  const std::string& Name() const { return m_name; }

  int64_t Get() const;
  // Written with verification; a float node receives value × unit.
  void Set(int64_t value) const;
  int64_t Min() const;
  int64_t Max() const;

 private:
  GenApi::CIntegerPtr m_raw;
  GenApi::CFloatPtr m_float;
  double m_floatPerRaw = 1.0;
  std::string m_name;
};

}  // namespace AEC
