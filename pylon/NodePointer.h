#pragma once
// Smart pointers that view a node through one of its typed interfaces. A pointer
// made from a node of another type (or from null) is invalid; dereferencing an
// invalid pointer raises LogicalErrorException "NULL pointer dereferenced".
#include "pylon/GenApiNodes.h"
#include "pylon/GenericException.h"

namespace GenApi {

template <class T>
class CPointer {
 public:
  CPointer() = default;
  template <class U>
  CPointer(U* node) : m_ptr(node ? dynamic_cast<T*>(node) : nullptr) {}
  template <class U>
  CPointer(const CPointer<U>& other) : CPointer(static_cast<U*>(other)) {}
  template <class U>
  CPointer& operator=(U* node) {
    m_ptr = node ? dynamic_cast<T*>(node) : nullptr;
    return *this;
  }

  bool IsValid() const { return m_ptr != nullptr; }
  operator T*() const { return m_ptr; }
  T* operator->() const { return &operator*(); }
  T& operator*() const {
    if (!m_ptr) BX_THROW(LogicalErrorException, "NULL pointer dereferenced");
    return *m_ptr;
  }

 private:
  T* m_ptr = nullptr;
};

using CNodePtr = CPointer<INode>;
using CValuePtr = CPointer<IValue>;
using CSelectorPtr = CPointer<ISelector>;
using CIntegerPtr = CPointer<IInteger>;
using CFloatPtr = CPointer<IFloat>;
using CBooleanPtr = CPointer<IBoolean>;
using CStringPtr = CPointer<IString>;
using CCommandPtr = CPointer<ICommand>;
using CEnumerationPtr = CPointer<IEnumeration>;
using CEnumEntryPtr = CPointer<IEnumEntry>;
using CCategoryPtr = CPointer<ICategory>;

}  // namespace GenApi
