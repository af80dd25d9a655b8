#pragma once
// Typed nodes whose values live in memory, one value per state of the selectors
// that govern them. Device models attach behaviour through hooks: an access rule,
// a computed getter, dynamic limits and a handler that runs after each write.
#include <functional>
#include <map>

#include "pylon/NodeBase.h"

namespace GenApi {

// Behaviour shared by every in-memory node.
class CMemoryNode : public CNodeBase {
 public:
  using AccessRule = std::function<EAccessMode()>;
  using Hook = std::function<void()>;

  CMemoryNode(CNodeMapBase& map, std::string name, EInterfaceType type);

  EAccessMode GetAccessMode() const override;
  void SetAccess(EAccessMode mode) { m_access = mode; }
  void SetAccessRule(AccessRule rule) { m_accessRule = std::move(rule); }
  void OnWritten(Hook hook) { m_onWritten = std::move(hook); }
  // Runs before any write is stored; it may throw to refuse the write.
  void BeforeWrite(Hook hook) { m_beforeWrite = std::move(hook); }

 protected:
  // The key of the current selector state, one entry per selecting node.
  std::vector<int64_t> SelectorState() const;
  void PrepareWrite();
  void FinishWrite();

 private:
  EAccessMode m_access = RW;
  AccessRule m_accessRule;
  Hook m_onWritten;
  Hook m_beforeWrite;
};

template <class T>
class CSelectedValue {
 public:
  explicit CSelectedValue(T initial) : m_initial(std::move(initial)) {}
  const T& Get(const std::vector<int64_t>& state) const {
    auto it = m_values.find(state);
    return it == m_values.end() ? m_initial : it->second;
  }
  void Set(const std::vector<int64_t>& state, T value) { m_values[state] = std::move(value); }
  void SetInitial(T value) { m_initial = std::move(value); }

 private:
  T m_initial;
  std::map<std::vector<int64_t>, T> m_values;
};

class CMemoryInteger : public CMemoryNode, public IInteger {
 public:
  CMemoryInteger(CNodeMapBase& map, std::string name, int64_t min, int64_t max, int64_t value,
                 int64_t inc = 1);

  void SetValue(int64_t value, bool verify = true) override;
  int64_t GetValue(bool verify = false, bool ignoreCache = false) override;
  int64_t GetMin() override;
  int64_t GetMax() override;
  int64_t GetInc() override { return m_inc; }
  gcstring GetUnit() const override { return m_unit; }
  gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const gcstring& value, bool verify = true) override;
  int64_t SelectorKey() override;

  void SetUnit(std::string unit) { m_unit = std::move(unit); }
  void SetGetter(std::function<int64_t()> getter) { m_getter = std::move(getter); }
  void SetMaxRule(std::function<int64_t()> rule) { m_maxRule = std::move(rule); }
  // Stores a value without access or range checks (device-side changes).
  void Store(int64_t value);
  int64_t Stored() const { return m_value.Get(SelectorState()); }

 private:
  int64_t m_min, m_max, m_inc;
  CSelectedValue<int64_t> m_value;
  std::string m_unit;
  std::function<int64_t()> m_getter;
  std::function<int64_t()> m_maxRule;
};

class CMemoryFloat : public CMemoryNode, public IFloat {
 public:
  CMemoryFloat(CNodeMapBase& map, std::string name, double min, double max, double value);

  void SetValue(double value, bool verify = true) override;
  double GetValue(bool verify = false, bool ignoreCache = false) override;
  double GetMin() override { return m_min; }
  double GetMax() override { return m_max; }
  gcstring GetUnit() const override { return m_unit; }
  gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const gcstring& value, bool verify = true) override;

  void SetUnit(std::string unit) { m_unit = std::move(unit); }
  void SetGetter(std::function<double()> getter) { m_getter = std::move(getter); }
  double Stored() const { return m_value.Get(SelectorState()); }
  double StoredFor(const std::vector<int64_t>& selectorState) const { return m_value.Get(selectorState); }

 private:
  double m_min, m_max;
  CSelectedValue<double> m_value;
  std::string m_unit;
  std::function<double()> m_getter;
};

class CMemoryBoolean : public CMemoryNode, public IBoolean {
 public:
  CMemoryBoolean(CNodeMapBase& map, std::string name, bool value);

  void SetValue(bool value, bool verify = true) override;
  bool GetValue(bool verify = false, bool ignoreCache = false) override;
  gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const gcstring& value, bool verify = true) override;

  void SetGetter(std::function<bool()> getter) { m_getter = std::move(getter); }
  bool Stored() const { return m_value.Get(SelectorState()); }

 private:
  CSelectedValue<bool> m_value;
  std::function<bool()> m_getter;
};

class CMemoryString : public CMemoryNode, public IString {
 public:
  CMemoryString(CNodeMapBase& map, std::string name, std::string value, int64_t maxLength = 64);

  void SetValue(const gcstring& value, bool verify = true) override;
  gcstring GetValue(bool verify = false, bool ignoreCache = false) override;
  int64_t GetMaxLength() override { return m_maxLength; }
  gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const gcstring& value, bool verify = true) override;

 private:
  CSelectedValue<std::string> m_value;
  int64_t m_maxLength;
};

class CMemoryCommand : public CMemoryNode, public ICommand {
 public:
  CMemoryCommand(CNodeMapBase& map, std::string name);

  void Execute(bool verify = true) override;
  bool IsDone(bool verify = true) override;
  gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const gcstring& value, bool verify = true) override;
};

class CMemoryEnumEntry : public CMemoryNode, public IEnumEntry {
 public:
  CMemoryEnumEntry(CNodeMapBase& map, const std::string& enumeration, std::string symbolic, int64_t value);

  int64_t GetValue() override { return m_value; }
  gcstring GetSymbolic() const override { return m_symbolic; }
  gcstring ToString(bool = false, bool = false) override { return m_symbolic; }
  void FromString(const gcstring& value, bool verify = true) override;

 private:
  std::string m_symbolic;
  int64_t m_value;
};

class CMemoryEnumeration : public CMemoryNode, public IEnumeration {
 public:
  CMemoryEnumeration(CNodeMapBase& map, std::string name);

  CMemoryEnumEntry& AddEntry(const std::string& symbolic, int64_t value);
  void SetInitial(int64_t value);

  void GetSymbolics(StringList_t& symbolics) override;
  void GetEntries(NodeList_t& entries) override;
  void SetIntValue(int64_t value, bool verify = true) override;
  int64_t GetIntValue(bool verify = false, bool ignoreCache = false) override;
  IEnumEntry* GetEntryByName(const gcstring& symbolic) override;
  IEnumEntry* GetEntry(int64_t value) override;
  IEnumEntry* GetCurrentEntry(bool verify = false, bool ignoreCache = false) override;
  gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const gcstring& value, bool verify = true) override;
  int64_t SelectorKey() override;

  // Stores a value without access checks (device-side changes).
  void Store(int64_t value);
  int64_t Stored() const { return m_value.Get(SelectorState()); }
  std::string StoredSymbol() const;

 private:
  CMemoryEnumEntry* FindEntry(int64_t value) const;

  std::vector<CMemoryEnumEntry*> m_entries;
  CSelectedValue<int64_t> m_value{0};
};

class CMemoryCategory : public CMemoryNode, public ICategory {
 public:
  CMemoryCategory(CNodeMapBase& map, std::string name);

  void Add(CNodeBase& feature) { m_features.push_back(&feature); }
  void GetFeatures(FeatureList_t& features) const override;
  gcstring ToString(bool verify = false, bool ignoreCache = false) override;
  void FromString(const gcstring& value, bool verify = true) override;

 private:
  std::vector<CNodeBase*> m_features;
};

}  // namespace GenApi
