#pragma once
// The GenApi node interfaces: a node, its typed value views and the node map.
// A node object implements INode and exactly one typed view; the typed views are
// reached from an INode* through the smart pointers of NodePointer.h.
#include "pylon/GenApiTypes.h"

namespace GenApi {

class CNodeCallback;
using CallbackHandleType = CNodeCallback*;
struct INodeMap;

struct IBase {
  virtual EAccessMode GetAccessMode() const = 0;

 protected:
  ~IBase() = default;
};

struct INode : virtual IBase {
  virtual gcstring GetName(bool fullQualified = false) const = 0;
  virtual gcstring GetDisplayName() const = 0;
  virtual gcstring GetDescription() const = 0;
  virtual gcstring GetToolTip() const = 0;
  virtual EVisibility GetVisibility() const = 0;
  virtual EInterfaceType GetPrincipalInterfaceType() const = 0;
  virtual bool IsFeature() const = 0;
  virtual INodeMap* GetNodeMap() const = 0;
  // Takes ownership of the callback; it is destroyed when deregistered or with the node.
  virtual CallbackHandleType RegisterCallback(CNodeCallback* callback) = 0;
  virtual bool DeregisterCallback(CallbackHandleType handle) = 0;

 protected:
  ~INode() = default;
};

struct IValue : virtual IBase {
  virtual INode* GetNode() = 0;
  virtual gcstring ToString(bool verify = false, bool ignoreCache = false) = 0;
  virtual void FromString(const gcstring& value, bool verify = true) = 0;

 protected:
  ~IValue() = default;
};

struct ISelector : virtual IBase {
  virtual bool IsSelector() const = 0;
  virtual void GetSelectedFeatures(FeatureList_t& features) const = 0;
  virtual void GetSelectingFeatures(FeatureList_t& features) const = 0;

 protected:
  ~ISelector() = default;
};

struct IInteger : virtual IValue {
  virtual void SetValue(int64_t value, bool verify = true) = 0;
  virtual int64_t GetValue(bool verify = false, bool ignoreCache = false) = 0;
  virtual int64_t GetMin() = 0;
  virtual int64_t GetMax() = 0;
  virtual int64_t GetInc() = 0;
  virtual gcstring GetUnit() const = 0;
  IInteger& operator=(int64_t value) {
    SetValue(value);
    return *this;
  }
  int64_t operator()() { return GetValue(); }

 protected:
  ~IInteger() = default;
};

struct IFloat : virtual IValue {
  virtual void SetValue(double value, bool verify = true) = 0;
  virtual double GetValue(bool verify = false, bool ignoreCache = false) = 0;
  virtual double GetMin() = 0;
  virtual double GetMax() = 0;
  virtual gcstring GetUnit() const = 0;
  IFloat& operator=(double value) {
    SetValue(value);
    return *this;
  }
  double operator()() { return GetValue(); }

 protected:
  ~IFloat() = default;
};

struct IBoolean : virtual IValue {
  virtual void SetValue(bool value, bool verify = true) = 0;
  virtual bool GetValue(bool verify = false, bool ignoreCache = false) = 0;
  IBoolean& operator=(bool value) {
    SetValue(value);
    return *this;
  }
  bool operator()() { return GetValue(); }

 protected:
  ~IBoolean() = default;
};

struct IString : virtual IValue {
  virtual void SetValue(const gcstring& value, bool verify = true) = 0;
  virtual gcstring GetValue(bool verify = false, bool ignoreCache = false) = 0;
  virtual int64_t GetMaxLength() = 0;
  IString& operator=(const gcstring& value) {
    SetValue(value);
    return *this;
  }
  gcstring operator()() { return GetValue(); }

 protected:
  ~IString() = default;
};

struct ICommand : virtual IValue {
  virtual void Execute(bool verify = true) = 0;
  virtual bool IsDone(bool verify = true) = 0;
  void operator()() { Execute(); }

 protected:
  ~ICommand() = default;
};

struct IEnumEntry : virtual IValue {
  virtual int64_t GetValue() = 0;
  virtual gcstring GetSymbolic() const = 0;

 protected:
  ~IEnumEntry() = default;
};

struct IEnumeration : virtual IValue {
  virtual void GetSymbolics(StringList_t& symbolics) = 0;  // available entries
  virtual void GetEntries(NodeList_t& entries) = 0;        // every entry node
  virtual void SetIntValue(int64_t value, bool verify = true) = 0;
  virtual int64_t GetIntValue(bool verify = false, bool ignoreCache = false) = 0;
  virtual IEnumEntry* GetEntryByName(const gcstring& symbolic) = 0;
  virtual IEnumEntry* GetEntry(int64_t value) = 0;
  virtual IEnumEntry* GetCurrentEntry(bool verify = false, bool ignoreCache = false) = 0;
  IEnumeration& operator=(const gcstring& symbolic) {
    FromString(symbolic);
    return *this;
  }

 protected:
  ~IEnumeration() = default;
};

struct ICategory : virtual IValue {
  virtual void GetFeatures(FeatureList_t& features) const = 0;

 protected:
  ~ICategory() = default;
};

struct INodeMap {
  virtual INode* GetNode(const gcstring& name) const = 0;  // null when absent
  virtual void GetNodes(NodeList_t& nodes) const = 0;
  virtual gcstring GetDeviceName() const = 0;
  virtual void InvalidateNodes() const = 0;

 protected:
  ~INodeMap() = default;
};

}  // namespace GenApi
