#include "camera/PylonProperty.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "camera/EnumerationRestore.h"
#include "pylon/GenericException.h"

using namespace GenApi;

namespace {

std::string DoubleText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string ToText(const PropertyValue& value) {
  struct Visitor {
    std::string operator()(int v) const { return std::to_string(v); }
    std::string operator()(std::int64_t v) const { return std::to_string(v); }
    std::string operator()(bool v) const { return v ? "1" : "0"; }
    std::string operator()(double v) const { return DoubleText(v); }
    std::string operator()(const std::string& v) const { return v; }
  };
  return std::visit(Visitor{}, value);
}

std::optional<std::int64_t> ParseInteger(const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || errno == ERANGE) return std::nullopt;
  return value;
}

std::vector<CPropertyChoice> Choices(IEnumeration& enumeration) {
  std::vector<CPropertyChoice> choices;
  for (IEnumEntry* entry : CPylonProperty::ImplementedEntries(enumeration))
    choices.push_back(
        {entry->GetSymbolic(), static_cast<int>(entry->GetValue()), entry->GetNode()->GetDescription()});
  return choices;
}

}  // namespace

CPylonProperty::CPylonProperty(INode* node, CEnumerationPtr selector, int64_t selectorValue, std::string name,
                               ChangeNotice changed)
    : m_node(node),
      m_enumeration(node),
      m_integer(node),
      m_float(node),
      m_boolean(node),
      m_string(node),
      m_selector(selector),
      m_selectorValue(selectorValue),
      m_name(std::move(name)),
      m_changed(std::move(changed)) {
  if (m_integer.IsValid())
    m_value = std::int64_t{0};
  else if (m_float.IsValid())
    m_value = 0.0;
  else if (m_string.IsValid())
    m_value = std::string();
  m_callback = Register(m_node, *this, &CPylonProperty::OnNodeChanged);
  try {
    std::optional<CEnumerationRestore> restore;
    if (m_selector.IsValid() && m_selector->GetAccessMode() == RW) restore.emplace(m_selector);
    Select();
    m_access = m_node->GetAccessMode();
    if (IsReadable(m_access)) Read();
  } catch (const GenICam::GenericException&) {
    // Shown with its default value; the node callback brings the real one.
  }
}

CPylonProperty::~CPylonProperty() { Detach(); }

void CPylonProperty::Detach() {
  Deregister(m_callback);
  m_callback = nullptr;
}

bool CPylonProperty::IsShownType(INode* node) {
  switch (node->GetPrincipalInterfaceType()) {
    case intfIEnumeration:
    case intfIInteger:
    case intfIFloat:
    case intfIBoolean:
    case intfIString:
      return true;
    default:
      return false;
  }
}

std::vector<IEnumEntry*> CPylonProperty::ImplementedEntries(IEnumeration& enumeration) {
  std::vector<IEnumEntry*> implemented;
  NodeList_t entries;
  enumeration.GetEntries(entries);
  for (INode* node : entries) {
    CEnumEntryPtr entry(node);
    if (entry.IsValid() && IsImplemented(entry->GetAccessMode())) implemented.push_back(entry);
  }
  return implemented;
}

PropertyId CPylonProperty::Id() const {
  return std::visit([](const auto& value) -> PropertyId { return &value; }, m_value);
}

void CPylonProperty::AddTo(CPropertyList& list, IPropertyHost* host, std::string label, std::string comment) {
  if (m_enumeration.IsValid())
    list.AddChoice(host, std::move(label), &std::get<int>(m_value), std::move(comment),
                   Choices(*m_enumeration));
  else if (m_integer.IsValid())
    list.AddInt64(host, std::move(label), &std::get<std::int64_t>(m_value), m_integer->GetMin(),
                  m_integer->GetMax(), std::move(comment));
  else if (m_float.IsValid())
    list.AddDouble(host, std::move(label), &std::get<double>(m_value), m_float->GetMin(), m_float->GetMax(),
                   std::move(comment));
  else if (m_boolean.IsValid())
    list.AddBool(host, std::move(label), &std::get<int>(m_value), std::move(comment));
  else
    list.AddText(host, std::move(label), &std::get<std::string>(m_value), std::move(comment));
  list.SetLastReadOnly(!IsWritable());
  list.SetLastFeature(m_node->GetName(), m_integer.IsValid() ? m_integer->GetUnit()
                                         : m_float.IsValid() ? m_float->GetUnit()
                                                             : std::string());
}

bool CPylonProperty::SelectorShowsEntry() { return m_selector->GetIntValue() == m_selectorValue; }

EAccessMode CPylonProperty::AccessMode() {
  try {
    if (!m_selector.IsValid() || SelectorShowsEntry()) m_access = m_node->GetAccessMode();
  } catch (const GenICam::GenericException&) {
    // the selector cannot be read now: keep what was seen last
  }
  return m_access;
}

void CPylonProperty::Select() {
  if (m_selector.IsValid() && m_selector->GetAccessMode() == RW && !SelectorShowsEntry())
    m_selector->SetIntValue(m_selectorValue);
}

void CPylonProperty::Read() {
  if (m_enumeration.IsValid())
    m_value = static_cast<int>(m_enumeration->GetIntValue());
  else if (m_integer.IsValid())
    m_value = m_integer->GetValue();
  else if (m_float.IsValid())
    m_value = m_float->GetValue();
  else if (m_boolean.IsValid())
    m_value = m_boolean->GetValue() ? 1 : 0;
  else if (m_string.IsValid())
    m_value = m_string->GetValue();
}

// Runs on whichever thread changed the node, under the node map's lock: it must
// not throw into the SDK.
void CPylonProperty::OnNodeChanged(INode*) {
  try {
    const bool selected = m_selector.IsValid() && m_selector->GetAccessMode() == RW;
    if (selected && !SelectorShowsEntry()) return;
    m_access = m_node->GetAccessMode();
    if (IsReadable(m_access)) Read();
  } catch (const GenICam::GenericException&) {
    return;
  }
  if (m_changed) m_changed(Id());
}

void CPylonProperty::Write(const PropertyValue& value) { WriteText(ToText(value)); }

void CPylonProperty::WriteText(const std::string& text) {
  std::optional<CEnumerationRestore> restore;
  if (m_selector.IsValid() && m_selector->GetAccessMode() == RW) restore.emplace(m_selector);
  Select();
  try {
    const std::optional<std::int64_t> entry = m_enumeration.IsValid() ? ParseInteger(text) : std::nullopt;
    if (entry)
      m_enumeration->SetIntValue(*entry);
    else
      CValuePtr(m_node)->FromString(text);
  } catch (const GenICam::GenericException&) {
    // The grid may show the refused value: show the camera's again.
    OnNodeChanged(m_node);
    throw;
  }
}

std::string CPylonProperty::ValueText() const {
  return std::visit([](const auto& value) { return ToText(PropertyValue(value)); }, m_value);
}
