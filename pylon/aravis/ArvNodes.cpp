#include "pylon/aravis/ArvNodes.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "pylon/GenericException.h"
#include "pylon/aravis/ArvNodeMap.h"

namespace Pylon {

using namespace GenApi;

namespace {

CArvNodeMap& ArvMap(CNodeMapBase& map) { return static_cast<CArvNodeMap&>(map); }

[[noreturn]] void ThrowOutOfRange(const std::string& text) {
  throw GenICam::OutOfRangeException(text.c_str(), __FILE__, __LINE__);
}

[[noreturn]] void ThrowInvalid(const std::string& text) {
  throw GenICam::InvalidArgumentException(text.c_str(), __FILE__, __LINE__);
}

EVisibility Visibility(ArvGcVisibility visibility) {
  switch (visibility) {
    case ARV_GC_VISIBILITY_INVISIBLE:
      return Invisible;
    case ARV_GC_VISIBILITY_GURU:
      return Guru;
    case ARV_GC_VISIBILITY_EXPERT:
      return Expert;
    default:
      return Beginner;
  }
}

// Aravis's texts are read only once its error is checked: a value whose read
// failed (a camera gone in the middle of it) need not end in a zero.
std::string Text(const char* text) { return text ? text : ""; }

}  // namespace

CArvNode::CArvNode(CNodeMapBase& map, ArvGcFeatureNode* node, EInterfaceType type)
    : CArvNode(map, node, type, arv_gc_feature_node_get_name(node)) {}

CArvNode::CArvNode(CNodeMapBase& map, ArvGcFeatureNode* node, EInterfaceType type, std::string name)
    : CNodeBase(map, std::move(name), type), m_node(node) {
  Describe(Text(arv_gc_feature_node_get_description(node)),
           Visibility(arv_gc_feature_node_get_visibility(node)));
  SetDisplayName(Text(arv_gc_feature_node_get_display_name(node)));
  SetToolTip(Text(arv_gc_feature_node_get_tooltip(node)));
}

EAccessMode CArvNode::GetAccessMode() const {
  auto lock = Lock();
  if (!Map().IsOnline()) return NA;
  GError* error = nullptr;
  const bool implemented = arv_gc_feature_node_is_implemented(m_node, &error);
  if (error) g_clear_error(&error);
  if (!implemented) return NI;
  const bool available = arv_gc_feature_node_is_available(m_node, &error);
  if (error) g_clear_error(&error);
  if (!available) return NA;
  const bool locked = arv_gc_feature_node_is_locked(m_node, &error);
  if (error) g_clear_error(&error);
  switch (arv_gc_feature_node_get_actual_access_mode(m_node)) {
    case ARV_GC_ACCESS_MODE_RO:
      return RO;
    case ARV_GC_ACCESS_MODE_WO:
      return locked ? NA : WO;
    case ARV_GC_ACCESS_MODE_RW:
      return locked ? RO : RW;
    default:
      return NA;
  }
}

gcstring CArvNode::ToString(bool, bool) {
  auto lock = Lock();
  BeginRead();
  GError* error = nullptr;
  const char* value = arv_gc_feature_node_get_value_as_string(m_node, &error);
  Check(error);
  return Text(value);
}

void CArvNode::FromString(const gcstring& value, bool) {
  auto lock = Lock();
  BeginWrite();
  GError* error = nullptr;
  arv_gc_feature_node_set_value_from_string(m_node, value.c_str(), &error);
  Check(error);
  EndWrite();
}

void CArvNode::Check(GError* error) const {
  if (!error) return;
  const std::string text = "'" + GetName() + "': " + Text(error->message);
  const bool outOfRange = error->domain == arv_gc_error_quark() && error->code == ARV_GC_ERROR_OUT_OF_RANGE;
  const bool unanswered =
      error->domain == arv_device_error_quark() && error->code == ARV_DEVICE_ERROR_TIMEOUT;
  g_clear_error(&error);
  if (outOfRange) ThrowOutOfRange(text);
  if (unanswered) {
    ArvMap(Map()).ReportUnanswered();
    throw GenICam::TimeoutException(text.c_str(), __FILE__, __LINE__);
  }
  throw GenICam::RuntimeException(text.c_str(), __FILE__, __LINE__);
}

// Limits are read from the camera too: a lost camera is not asked.
void CArvNode::RequireOnline() const {
  if (!Map().IsOnline()) ThrowNotReadable();
}

void CArvNode::BeginRead() {
  if (!IsReadable(GetAccessMode())) ThrowNotReadable();
}

void CArvNode::BeginWrite() {
  if (!IsWritable(GetAccessMode())) ThrowNotWritable();
}

CArvInteger::CArvInteger(CNodeMapBase& map, ArvGcFeatureNode* node) : CArvNode(map, node, intfIInteger) {}

void CArvInteger::SetValue(int64_t value, bool) {
  auto lock = Lock();
  BeginWrite();
  const int64_t min = GetMin(), max = GetMax(), inc = GetInc();
  if (value < min || value > max)
    ThrowOutOfRange("Value = " + std::to_string(value) + " must be within Min = " + std::to_string(min) +
                    " and Max = " + std::to_string(max) + " of '" + GetName() + "'");
  if (inc > 1 && (value - min) % inc != 0)
    ThrowOutOfRange("Value = " + std::to_string(value) +
                    " must be a multiple of Inc = " + std::to_string(inc) + " of '" + GetName() + "'");
  GError* error = nullptr;
  arv_gc_integer_set_value(Integer(), value, &error);
  Check(error);
  EndWrite();
}

int64_t CArvInteger::GetValue(bool, bool) {
  auto lock = Lock();
  BeginRead();
  GError* error = nullptr;
  const int64_t value = arv_gc_integer_get_value(Integer(), &error);
  Check(error);
  return value;
}

int64_t CArvInteger::GetMin() {
  auto lock = Lock();
  RequireOnline();
  GError* error = nullptr;
  const int64_t value = arv_gc_integer_get_min(Integer(), &error);
  Check(error);
  return value;
}

int64_t CArvInteger::GetMax() {
  auto lock = Lock();
  RequireOnline();
  GError* error = nullptr;
  const int64_t value = arv_gc_integer_get_max(Integer(), &error);
  Check(error);
  return value;
}

int64_t CArvInteger::GetInc() {
  auto lock = Lock();
  RequireOnline();
  GError* error = nullptr;
  const int64_t value = arv_gc_integer_get_inc(Integer(), &error);
  Check(error);
  return value > 0 ? value : 1;
}

gcstring CArvInteger::GetUnit() const { return Text(arv_gc_integer_get_unit(Integer())); }

void CArvInteger::FromString(const gcstring& value, bool verify) {
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(value.c_str(), &end, 0);
  if (value.empty() || *end != '\0' || errno == ERANGE) ThrowInvalid("'" + value + "' is not an integer");
  SetValue(parsed, verify);
}

int64_t CArvInteger::SelectorKey() { return GetValue(); }

CArvFloat::CArvFloat(CNodeMapBase& map, ArvGcFeatureNode* node) : CArvNode(map, node, intfIFloat) {}

void CArvFloat::SetValue(double value, bool) {
  auto lock = Lock();
  BeginWrite();
  const double min = GetMin(), max = GetMax();
  if (!(value >= min && value <= max)) {
    std::ostringstream text;
    text << "Value = " << value << " must be within Min = " << min << " and Max = " << max << " of '"
         << GetName() << "'";
    ThrowOutOfRange(text.str());
  }
  GError* error = nullptr;
  arv_gc_float_set_value(Float(), value, &error);
  Check(error);
  EndWrite();
}

double CArvFloat::GetValue(bool, bool) {
  auto lock = Lock();
  BeginRead();
  GError* error = nullptr;
  const double value = arv_gc_float_get_value(Float(), &error);
  Check(error);
  return value;
}

double CArvFloat::GetMin() {
  auto lock = Lock();
  RequireOnline();
  GError* error = nullptr;
  const double value = arv_gc_float_get_min(Float(), &error);
  Check(error);
  return value;
}

double CArvFloat::GetMax() {
  auto lock = Lock();
  RequireOnline();
  GError* error = nullptr;
  const double value = arv_gc_float_get_max(Float(), &error);
  Check(error);
  return value;
}

gcstring CArvFloat::GetUnit() const { return Text(arv_gc_float_get_unit(Float())); }

void CArvFloat::FromString(const gcstring& value, bool verify) {
  errno = 0;
  char* end = nullptr;
  const double parsed = std::strtod(value.c_str(), &end);
  if (value.empty() || *end != '\0' || errno == ERANGE) ThrowInvalid("'" + value + "' is not a number");
  SetValue(parsed, verify);
}

CArvBoolean::CArvBoolean(CNodeMapBase& map, ArvGcFeatureNode* node) : CArvNode(map, node, intfIBoolean) {}

void CArvBoolean::SetValue(bool value, bool) {
  auto lock = Lock();
  BeginWrite();
  GError* error = nullptr;
  arv_gc_boolean_set_value(ARV_GC_BOOLEAN(Feature()), value, &error);
  Check(error);
  EndWrite();
}

bool CArvBoolean::GetValue(bool, bool) {
  auto lock = Lock();
  BeginRead();
  GError* error = nullptr;
  const bool value = arv_gc_boolean_get_value(ARV_GC_BOOLEAN(Feature()), &error);
  Check(error);
  return value;
}

gcstring CArvBoolean::ToString(bool, bool) { return GetValue() ? "1" : "0"; }

void CArvBoolean::FromString(const gcstring& value, bool verify) {
  if (value == "1" || value == "true" || value == "True")
    SetValue(true, verify);
  else if (value == "0" || value == "false" || value == "False")
    SetValue(false, verify);
  else
    ThrowInvalid("'" + value + "' is not a boolean");
}

CArvString::CArvString(CNodeMapBase& map, ArvGcFeatureNode* node) : CArvNode(map, node, intfIString) {}

void CArvString::SetValue(const gcstring& value, bool) {
  auto lock = Lock();
  BeginWrite();
  if (int64_t(value.size()) > GetMaxLength())
    ThrowOutOfRange("The text is longer than '" + GetName() + "' holds");
  GError* error = nullptr;
  arv_gc_string_set_value(ARV_GC_STRING(Feature()), value.c_str(), &error);
  Check(error);
  EndWrite();
}

gcstring CArvString::GetValue(bool, bool) {
  auto lock = Lock();
  BeginRead();
  GError* error = nullptr;
  const char* value = arv_gc_string_get_value(ARV_GC_STRING(Feature()), &error);
  Check(error);
  return Text(value);
}

int64_t CArvString::GetMaxLength() {
  auto lock = Lock();
  RequireOnline();
  GError* error = nullptr;
  const int64_t value = arv_gc_string_get_max_length(ARV_GC_STRING(Feature()), &error);
  Check(error);
  return value;
}

CArvCommand::CArvCommand(CNodeMapBase& map, ArvGcFeatureNode* node) : CArvNode(map, node, intfICommand) {}

void CArvCommand::Execute(bool) {
  auto lock = Lock();
  BeginWrite();
  GError* error = nullptr;
  arv_gc_command_execute(ARV_GC_COMMAND(Feature()), &error);
  Check(error);
  EndWrite();
}

void CArvCommand::FromString(const gcstring&, bool verify) { Execute(verify); }

CArvEnumEntry::CArvEnumEntry(CNodeMapBase& map, ArvGcFeatureNode* node, const std::string& enumeration)
    : CArvNode(map, node, intfIEnumEntry,
               "EnumEntry_" + enumeration + "_" + arv_gc_feature_node_get_name(node)) {}

int64_t CArvEnumEntry::GetValue() {
  auto lock = Lock();
  GError* error = nullptr;
  const int64_t value = arv_gc_enum_entry_get_value(ARV_GC_ENUM_ENTRY(Feature()), &error);
  Check(error);
  return value;
}

gcstring CArvEnumEntry::GetSymbolic() const { return arv_gc_feature_node_get_name(Feature()); }

gcstring CArvEnumEntry::ToString(bool, bool) { return GetSymbolic(); }

CArvEnumeration::CArvEnumeration(CNodeMapBase& map, ArvGcFeatureNode* node)
    : CArvNode(map, node, intfIEnumeration) {}

std::vector<CArvEnumEntry*> CArvEnumeration::Entries() {
  std::vector<CArvEnumEntry*> entries;
  for (const GSList* item = arv_gc_enumeration_get_entries(Enumeration()); item; item = item->next)
    entries.push_back(&ArvMap(Map()).Entry(GetName(), ARV_GC_FEATURE_NODE(item->data)));
  return entries;
}

void CArvEnumeration::GetSymbolics(StringList_t& symbolics) {
  auto lock = Lock();
  symbolics.clear();
  for (CArvEnumEntry* entry : Entries())
    if (IsAvailable(entry->GetAccessMode())) symbolics.push_back(entry->GetSymbolic());
}

void CArvEnumeration::GetEntries(NodeList_t& entries) {
  auto lock = Lock();
  const std::vector<CArvEnumEntry*> found = Entries();
  entries.assign(found.begin(), found.end());
}

void CArvEnumeration::SetIntValue(int64_t value, bool) {
  auto lock = Lock();
  BeginWrite();
  IEnumEntry* entry = GetEntry(value);
  if (!entry)
    ThrowOutOfRange("Enumeration '" + GetName() + "' has no entry with value " + std::to_string(value));
  if (!IsAvailable(entry->GetAccessMode()))
    throw GenICam::AccessException(("Entry '" + entry->GetSymbolic() + "' is not available").c_str(),
                                   __FILE__, __LINE__);
  GError* error = nullptr;
  arv_gc_enumeration_set_int_value(Enumeration(), value, &error);
  Check(error);
  EndWrite();
}

int64_t CArvEnumeration::GetIntValue(bool, bool) {
  auto lock = Lock();
  BeginRead();
  GError* error = nullptr;
  const int64_t value = arv_gc_enumeration_get_int_value(Enumeration(), &error);
  Check(error);
  return value;
}

IEnumEntry* CArvEnumeration::GetEntryByName(const gcstring& symbolic) {
  auto lock = Lock();
  for (CArvEnumEntry* entry : Entries())
    if (entry->GetSymbolic() == symbolic) return entry;
  return nullptr;
}

IEnumEntry* CArvEnumeration::GetEntry(int64_t value) {
  auto lock = Lock();
  for (CArvEnumEntry* entry : Entries())
    if (entry->GetValue() == value) return entry;
  return nullptr;
}

IEnumEntry* CArvEnumeration::GetCurrentEntry(bool, bool) { return GetEntry(GetIntValue()); }

gcstring CArvEnumeration::ToString(bool, bool) {
  auto lock = Lock();
  IEnumEntry* entry = GetCurrentEntry();
  return entry ? entry->GetSymbolic() : std::to_string(GetIntValue());
}

void CArvEnumeration::FromString(const gcstring& value, bool verify) {
  auto lock = Lock();
  IEnumEntry* entry = GetEntryByName(value);
  if (!entry) {
    BeginWrite();
    ThrowInvalid("Enumeration '" + GetName() + "' has no entry '" + value + "'");
  }
  SetIntValue(entry->GetValue(), verify);
}

int64_t CArvEnumeration::SelectorKey() { return GetIntValue(); }

CArvCategory::CArvCategory(CNodeMapBase& map, ArvGcFeatureNode* node) : CArvNode(map, node, intfICategory) {}

void CArvCategory::GetFeatures(FeatureList_t& features) const {
  auto lock = Lock();
  features.clear();
  for (const GSList* item = arv_gc_category_get_features(ARV_GC_CATEGORY(Feature())); item; item = item->next)
    if (CNodeBase* node = ArvMap(Map()).Adapter(static_cast<const char*>(item->data)))
      features.push_back(node);
}

gcstring CArvCategory::ToString(bool, bool) { return std::string(); }

}  // namespace Pylon
