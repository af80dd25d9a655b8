#include "pylon/MemoryNodes.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "pylon/GenericException.h"

namespace GenApi {
namespace {

[[noreturn]] void ThrowOutOfRange(const std::string& text) {
  throw GenICam::OutOfRangeException(text.c_str(), __FILE__, __LINE__);
}

[[noreturn]] void ThrowInvalid(const std::string& text) {
  throw GenICam::InvalidArgumentException(text.c_str(), __FILE__, __LINE__);
}

int64_t ParseInteger(const std::string& name, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || errno == ERANGE)
    ThrowInvalid("Node '" + name + "': '" + text + "' is not an integer");
  return value;
}

double ParseFloat(const std::string& name, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno == ERANGE)
    ThrowInvalid("Node '" + name + "': '" + text + "' is not a number");
  return value;
}

}  // namespace

CMemoryNode::CMemoryNode(CNodeMapBase& map, std::string name, EInterfaceType type)
    : CNodeBase(map, std::move(name), type) {}

EAccessMode CMemoryNode::GetAccessMode() const {
  auto lock = Lock();
  if (!Map().IsOnline()) return NA;
  return m_accessRule ? m_accessRule() : m_access;
}

std::vector<int64_t> CMemoryNode::SelectorState() const {
  std::vector<int64_t> state;
  for (CNodeBase* selector : Selecting()) state.push_back(selector->SelectorKey());
  return state;
}

void CMemoryNode::PrepareWrite() {
  CheckWritable();
  if (m_beforeWrite) m_beforeWrite();
}

void CMemoryNode::FinishWrite() {
  if (m_onWritten) m_onWritten();
  NotifyChanged();
}

CMemoryInteger::CMemoryInteger(CNodeMapBase& map, std::string name, int64_t min, int64_t max, int64_t value,
                               int64_t inc)
    : CMemoryNode(map, std::move(name), intfIInteger),
      m_min(min),
      m_max(max),
      m_inc(inc > 0 ? inc : 1),
      m_value(value) {}

void CMemoryInteger::SetValue(int64_t value, bool) {
  auto lock = Lock();
  PrepareWrite();
  const int64_t min = GetMin(), max = GetMax();
  if (value < min || value > max)
    ThrowOutOfRange("Value = " + std::to_string(value) + " must be within Min = " + std::to_string(min) +
                    " and Max = " + std::to_string(max) + " of '" + GetName() + "'");
  if ((value - min) % m_inc != 0)
    ThrowOutOfRange("Value = " + std::to_string(value) +
                    " must be a multiple of Inc = " + std::to_string(m_inc) +
                    " above Min = " + std::to_string(min) + " of '" + GetName() + "'");
  m_value.Set(SelectorState(), value);
  FinishWrite();
}

int64_t CMemoryInteger::GetValue(bool, bool) {
  auto lock = Lock();
  CheckReadable();
  return m_getter ? m_getter() : Stored();
}

int64_t CMemoryInteger::GetMin() {
  auto lock = Lock();
  return m_min;
}

int64_t CMemoryInteger::GetMax() {
  auto lock = Lock();
  return m_maxRule ? m_maxRule() : m_max;
}

gcstring CMemoryInteger::ToString(bool, bool) { return std::to_string(GetValue()); }

void CMemoryInteger::FromString(const gcstring& value, bool verify) {
  SetValue(ParseInteger(GetName(), value), verify);
}

int64_t CMemoryInteger::SelectorKey() { return Stored(); }

void CMemoryInteger::Store(int64_t value) {
  auto lock = Lock();
  m_value.Set(SelectorState(), value);
  NotifyChanged();
}

CMemoryFloat::CMemoryFloat(CNodeMapBase& map, std::string name, double min, double max, double value)
    : CMemoryNode(map, std::move(name), intfIFloat), m_min(min), m_max(max), m_value(value) {}

void CMemoryFloat::SetValue(double value, bool) {
  auto lock = Lock();
  PrepareWrite();
  if (!(value >= m_min && value <= m_max)) {
    std::ostringstream text;
    text << "Value = " << value << " must be within Min = " << m_min << " and Max = " << m_max << " of '"
         << GetName() << "'";
    ThrowOutOfRange(text.str());
  }
  m_value.Set(SelectorState(), value);
  FinishWrite();
}

double CMemoryFloat::GetValue(bool, bool) {
  auto lock = Lock();
  CheckReadable();
  return m_getter ? m_getter() : Stored();
}

gcstring CMemoryFloat::ToString(bool, bool) {
  std::ostringstream text;
  text << GetValue();
  return text.str();
}

void CMemoryFloat::FromString(const gcstring& value, bool verify) {
  SetValue(ParseFloat(GetName(), value), verify);
}

CMemoryBoolean::CMemoryBoolean(CNodeMapBase& map, std::string name, bool value)
    : CMemoryNode(map, std::move(name), intfIBoolean), m_value(value) {}

void CMemoryBoolean::SetValue(bool value, bool) {
  auto lock = Lock();
  PrepareWrite();
  m_value.Set(SelectorState(), value);
  FinishWrite();
}

bool CMemoryBoolean::GetValue(bool, bool) {
  auto lock = Lock();
  CheckReadable();
  return m_getter ? m_getter() : Stored();
}

gcstring CMemoryBoolean::ToString(bool, bool) { return GetValue() ? "1" : "0"; }

void CMemoryBoolean::FromString(const gcstring& value, bool verify) {
  if (value == "1" || value == "true" || value == "True")
    SetValue(true, verify);
  else if (value == "0" || value == "false" || value == "False")
    SetValue(false, verify);
  else
    ThrowInvalid("Node '" + GetName() + "': '" + value + "' is not a boolean");
}

CMemoryString::CMemoryString(CNodeMapBase& map, std::string name, std::string value, int64_t maxLength)
    : CMemoryNode(map, std::move(name), intfIString), m_value(std::move(value)), m_maxLength(maxLength) {}

void CMemoryString::SetValue(const gcstring& value, bool) {
  auto lock = Lock();
  PrepareWrite();
  if (static_cast<int64_t>(value.size()) > m_maxLength)
    ThrowOutOfRange("String of " + std::to_string(value.size()) + " bytes exceeds the " +
                    std::to_string(m_maxLength) + " bytes of '" + GetName() + "'");
  m_value.Set(SelectorState(), value);
  FinishWrite();
}

gcstring CMemoryString::GetValue(bool, bool) {
  auto lock = Lock();
  CheckReadable();
  return m_value.Get(SelectorState());
}

gcstring CMemoryString::ToString(bool, bool) { return GetValue(); }

void CMemoryString::FromString(const gcstring& value, bool verify) { SetValue(value, verify); }

CMemoryCommand::CMemoryCommand(CNodeMapBase& map, std::string name)
    : CMemoryNode(map, std::move(name), intfICommand) {
  SetAccess(WO);
}

void CMemoryCommand::Execute(bool) {
  auto lock = Lock();
  PrepareWrite();
  FinishWrite();
}

bool CMemoryCommand::IsDone(bool) { return true; }

gcstring CMemoryCommand::ToString(bool, bool) { ThrowNotReadable(); }

void CMemoryCommand::FromString(const gcstring&, bool) { Execute(); }

CMemoryEnumEntry::CMemoryEnumEntry(CNodeMapBase& map, const std::string& enumeration, std::string symbolic,
                                   int64_t value)
    : CMemoryNode(map, "EnumEntry_" + enumeration + "_" + symbolic, intfIEnumEntry),
      m_symbolic(std::move(symbolic)),
      m_value(value) {
  SetAccess(RO);
}

void CMemoryEnumEntry::FromString(const gcstring&, bool) { ThrowNotWritable(); }

CMemoryEnumeration::CMemoryEnumeration(CNodeMapBase& map, std::string name)
    : CMemoryNode(map, std::move(name), intfIEnumeration) {}

CMemoryEnumEntry& CMemoryEnumeration::AddEntry(const std::string& symbolic, int64_t value) {
  CMemoryEnumEntry& entry = Map().Add<CMemoryEnumEntry>(GetName(), symbolic, value);
  if (m_entries.empty()) m_value.SetInitial(value);
  m_entries.push_back(&entry);
  return entry;
}

void CMemoryEnumeration::SetInitial(int64_t value) { m_value.SetInitial(value); }

void CMemoryEnumeration::GetSymbolics(StringList_t& symbolics) {
  auto lock = Lock();
  symbolics.clear();
  for (CMemoryEnumEntry* entry : m_entries)
    if (IsAvailable(entry->GetAccessMode())) symbolics.push_back(entry->GetSymbolic());
}

void CMemoryEnumeration::GetEntries(NodeList_t& entries) {
  entries.assign(m_entries.begin(), m_entries.end());
}

void CMemoryEnumeration::SetIntValue(int64_t value, bool) {
  auto lock = Lock();
  PrepareWrite();
  CMemoryEnumEntry* entry = FindEntry(value);
  if (!entry)
    ThrowOutOfRange("Enumeration '" + GetName() + "' has no entry with value " + std::to_string(value));
  if (!IsAvailable(entry->GetAccessMode()))
    throw GenICam::AccessException(
        ("Entry '" + entry->GetSymbolic() + "' of '" + GetName() + "' is not available").c_str(), __FILE__,
        __LINE__);
  m_value.Set(SelectorState(), value);
  FinishWrite();
}

int64_t CMemoryEnumeration::GetIntValue(bool, bool) {
  auto lock = Lock();
  CheckReadable();
  return Stored();
}

IEnumEntry* CMemoryEnumeration::GetEntryByName(const gcstring& symbolic) {
  for (CMemoryEnumEntry* entry : m_entries)
    if (entry->GetSymbolic() == symbolic) return entry;
  return nullptr;
}

IEnumEntry* CMemoryEnumeration::GetEntry(int64_t value) { return FindEntry(value); }

IEnumEntry* CMemoryEnumeration::GetCurrentEntry(bool, bool) { return FindEntry(GetIntValue()); }

gcstring CMemoryEnumeration::ToString(bool, bool) {
  auto lock = Lock();
  const int64_t value = GetIntValue();
  CMemoryEnumEntry* entry = FindEntry(value);
  return entry ? entry->GetSymbolic() : std::to_string(value);
}

void CMemoryEnumeration::FromString(const gcstring& value, bool verify) {
  auto lock = Lock();
  IEnumEntry* entry = GetEntryByName(value);
  if (!entry) {
    CheckWritable();
    ThrowInvalid("Enumeration '" + GetName() + "' has no entry '" + value + "'");
  }
  SetIntValue(entry->GetValue(), verify);
}

int64_t CMemoryEnumeration::SelectorKey() { return Stored(); }

void CMemoryEnumeration::Store(int64_t value) {
  auto lock = Lock();
  m_value.Set(SelectorState(), value);
  NotifyChanged();
}

std::string CMemoryEnumeration::StoredSymbol() const {
  CMemoryEnumEntry* entry = FindEntry(Stored());
  return entry ? entry->GetSymbolic() : std::string();
}

CMemoryEnumEntry* CMemoryEnumeration::FindEntry(int64_t value) const {
  for (CMemoryEnumEntry* entry : m_entries)
    if (entry->GetValue() == value) return entry;
  return nullptr;
}

CMemoryCategory::CMemoryCategory(CNodeMapBase& map, std::string name)
    : CMemoryNode(map, std::move(name), intfICategory) {
  SetAccess(RO);
}

void CMemoryCategory::GetFeatures(FeatureList_t& features) const {
  features.assign(m_features.begin(), m_features.end());
}

gcstring CMemoryCategory::ToString(bool, bool) { return std::string(); }

void CMemoryCategory::FromString(const gcstring&, bool) { ThrowNotWritable(); }

}  // namespace GenApi
