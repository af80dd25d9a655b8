#pragma once
// GenApi typed nodes over Aravis feature nodes.
#include <arv.h>

#include "pylon/NodeBase.h"

namespace Pylon {

class CArvNode : public GenApi::CNodeBase {
 public:
  CArvNode(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node, GenApi::EInterfaceType type);
  CArvNode(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node, GenApi::EInterfaceType type, std::string name);
  GenApi::EAccessMode GetAccessMode() const override;
  GenApi::gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const GenApi::gcstring& value, bool verify = true) override;

 protected:
  ArvGcFeatureNode* Feature() const { return m_node; }
  // Raises the matching GenICam exception when the Aravis call failed.
  void Check(GError* error) const;
  void RequireOnline() const;
  void BeginRead();
  void BeginWrite();
  void EndWrite() { NotifyChanged(); }

 private:
  ArvGcFeatureNode* m_node;
};

class CArvInteger : public CArvNode, public GenApi::IInteger {
 public:
  CArvInteger(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node);
  void SetValue(int64_t value, bool verify = true) override;
  int64_t GetValue(bool verify = false, bool ignoreCache = false) override;
  int64_t GetMin() override;
  int64_t GetMax() override;
  int64_t GetInc() override;
  GenApi::gcstring GetUnit() const override;
  void FromString(const GenApi::gcstring& value, bool verify = true) override;
  int64_t SelectorKey() override;

 private:
  ArvGcInteger* Integer() const { return ARV_GC_INTEGER(Feature()); }
};

class CArvFloat : public CArvNode, public GenApi::IFloat {
 public:
  CArvFloat(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node);
  void SetValue(double value, bool verify = true) override;
  double GetValue(bool verify = false, bool ignoreCache = false) override;
  double GetMin() override;
  double GetMax() override;
  GenApi::gcstring GetUnit() const override;
  void FromString(const GenApi::gcstring& value, bool verify = true) override;

 private:
  ArvGcFloat* Float() const { return ARV_GC_FLOAT(Feature()); }
};

class CArvBoolean : public CArvNode, public GenApi::IBoolean {
 public:
  CArvBoolean(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node);
  void SetValue(bool value, bool verify = true) override;
  bool GetValue(bool verify = false, bool ignoreCache = false) override;
  GenApi::gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const GenApi::gcstring& value, bool verify = true) override;
};

class CArvString : public CArvNode, public GenApi::IString {
 public:
  CArvString(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node);
  void SetValue(const GenApi::gcstring& value, bool verify = true) override;
  GenApi::gcstring GetValue(bool verify = false, bool ignoreCache = false) override;
  int64_t GetMaxLength() override;
};

class CArvCommand : public CArvNode, public GenApi::ICommand {
 public:
  CArvCommand(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node);
  void Execute(bool verify = true) override;
  bool IsDone(bool = true) override { return true; }
  void FromString(const GenApi::gcstring& value, bool verify = true) override;
};

class CArvEnumEntry : public CArvNode, public GenApi::IEnumEntry {
 public:
  // Entries are not looked up by name in the camera's description; the map
  // keeps them as "EnumEntry_<enumeration>_<symbolic>".
  CArvEnumEntry(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node, const std::string& enumeration);
  int64_t GetValue() override;
  GenApi::gcstring GetSymbolic() const override;
  GenApi::gcstring ToString(bool verify = false, bool ignoreCache = false) override;
};

class CArvEnumeration : public CArvNode, public GenApi::IEnumeration {
 public:
  CArvEnumeration(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node);
  void GetSymbolics(GenApi::StringList_t& symbolics) override;
  void GetEntries(GenApi::NodeList_t& entries) override;
  void SetIntValue(int64_t value, bool verify = true) override;
  int64_t GetIntValue(bool verify = false, bool ignoreCache = false) override;
  GenApi::IEnumEntry* GetEntryByName(const GenApi::gcstring& symbolic) override;
  GenApi::IEnumEntry* GetEntry(int64_t value) override;
  GenApi::IEnumEntry* GetCurrentEntry(bool verify = false, bool ignoreCache = false) override;
  GenApi::gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const GenApi::gcstring& value, bool verify = true) override;
  int64_t SelectorKey() override;

 private:
  std::vector<CArvEnumEntry*> Entries();
  ArvGcEnumeration* Enumeration() const { return ARV_GC_ENUMERATION(Feature()); }
};

class CArvCategory : public CArvNode, public GenApi::ICategory {
 public:
  CArvCategory(GenApi::CNodeMapBase& map, ArvGcFeatureNode* node);
  void GetFeatures(GenApi::FeatureList_t& features) const override;
  GenApi::gcstring ToString(bool verify = false, bool ignoreCache = false) override;
};

}  // namespace Pylon
