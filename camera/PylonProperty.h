#pragma once
// One camera feature value shown in the property grid. It holds the value
// variable the grid edits (its address is the property's id), keeps it in step
// with the camera through a node callback, and writes edits back to the node.
// A feature governed by an enumeration selector gets one property per selector
// entry: the selector is moved to that entry for every read and write.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "camera/IPropertyHost.h"
#include "pylon/NodeCallback.h"
#include "pylon/NodePointer.h"

class CPylonProperty {
 public:
  using ChangeNotice = std::function<void(PropertyId)>;

  // `selector` may be invalid (the feature is not selected). `changed` is
  // called with the id, on the thread that changed the node, after the value
  // variable was refreshed. Registers the node callback and reads the node once.
  CPylonProperty(GenApi::INode* node, GenApi::CEnumerationPtr selector, int64_t selectorValue,
                 std::string name, ChangeNotice changed);
  ~CPylonProperty();
  CPylonProperty(const CPylonProperty&) = delete;
  CPylonProperty& operator=(const CPylonProperty&) = delete;

  // False for node types that are never shown (commands, registers, ...).
  static bool IsShownType(GenApi::INode* node);
  // The entries whose access mode is not NI, in the camera's order.
  static std::vector<GenApi::IEnumEntry*> ImplementedEntries(GenApi::IEnumeration& enumeration);

  const std::string& Name() const { return m_name; }
  PropertyId Id() const;
  // Adds the field of the node's type to `list`, read-only unless writable now.
  void AddTo(CPropertyList& list, IPropertyHost* host, std::string label, std::string comment);

  // The node's access mode at this property's selector entry: read live
  // while the selector shows that entry, else as last seen there.
  GenApi::EAccessMode AccessMode();
  bool IsWritable() { return GenApi::IsWritable(AccessMode()); }
  bool IsReadWrite() { return AccessMode() == GenApi::RW; }

  // Writes an edit (the selector first); raises the SDK's exception when the
  // camera refuses it, leaving the value variable as the camera has it.
  void Write(const PropertyValue& value);
  // Writes a value in its stored text form (enumerations by integer value or symbol).
  void WriteText(const std::string& text);
  // The value variable as stored text.
  std::string ValueText() const;
  // Stops following the node; the value variable stays readable.
  void Detach();

 private:
  void OnNodeChanged(GenApi::INode* node);
  bool SelectorShowsEntry();
  // Moves the selector to this property's entry when the selector is writable.
  void Select();
  void Read();

  GenApi::INode* m_node;
  GenApi::CEnumerationPtr m_enumeration;
  GenApi::CIntegerPtr m_integer;
  GenApi::CFloatPtr m_float;
  GenApi::CBooleanPtr m_boolean;
  GenApi::CStringPtr m_string;
  GenApi::CEnumerationPtr m_selector;
  int64_t m_selectorValue;
  std::string m_name;
  // Enumerations and booleans: int; integers: int64_t; floats: double; strings.
  std::variant<int, std::int64_t, double, std::string> m_value;
  std::atomic<GenApi::EAccessMode> m_access{GenApi::NA};  // written by node callbacks
  ChangeNotice m_changed;
  GenApi::CallbackHandleType m_callback = nullptr;
};
