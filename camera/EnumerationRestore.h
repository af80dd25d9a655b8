#pragma once
// Puts an enumeration node back to the entry it showed, however the scope is
// left: a selector moved for one write, a trigger source moved for one shot.
#include "pylon/GenericException.h"
#include "pylon/NodePointer.h"

class CEnumerationRestore {
 public:
  explicit CEnumerationRestore(GenApi::CEnumerationPtr& node) : m_node(node), m_value(node->GetIntValue()) {}
  ~CEnumerationRestore() {
    try {
      m_node->SetIntValue(m_value);
    } catch (const GenICam::GenericException&) {
      // The camera refused its own previous entry: nothing better to restore.
    }
  }
  CEnumerationRestore(const CEnumerationRestore&) = delete;
  CEnumerationRestore& operator=(const CEnumerationRestore&) = delete;

 private:
  GenApi::CEnumerationPtr& m_node;
  const int64_t m_value;
};
