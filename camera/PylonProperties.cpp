#include "camera/PylonProperties.h"

#include <tinyxml.h>

#include <atomic>
#include <cctype>

#include "aec/XmlValues.h"
#include "pylon/GenericException.h"

using namespace GenApi;

namespace {

std::atomic<EVisibility> g_visibilityLimit{Guru};

const char* const kRoot = "Root";
// Selects the trigger model, not a value the user sets per entry.
const char* const kTriggerControlImplementation = "TriggerControlImplementation";
// Older files hold an element of this name whose value belongs to no entry.
const char* const kUnselectedBalanceRatio = "BalanceRatioAbs";

std::vector<INode*> Features(INode* category) {
  std::vector<INode*> nodes;
  FeatureList_t features;
  CCategoryPtr(category)->GetFeatures(features);
  for (IValue* feature : features) nodes.push_back(feature->GetNode());
  return nodes;
}

// The camera's display name; for a feature it gives none, the feature's name
// with its words apart ("ExposureTimeAbs" as "Exposure Time Abs", "LUTEnable"
// as "LUT Enable").
std::string DisplayName(INode* node) {
  const std::string name = node->GetName();
  const std::string shown = node->GetDisplayName();
  if (shown != name) return shown;
  const auto upper = [&name](size_t i) { return std::isupper(static_cast<unsigned char>(name[i])) != 0; };
  const auto lower = [&name](size_t i) { return std::islower(static_cast<unsigned char>(name[i])) != 0; };
  std::string words;
  for (size_t i = 0; i < name.size(); ++i) {
    const bool wordStarts =
        i > 0 && upper(i) && (lower(i - 1) || (upper(i - 1) && i + 1 < name.size() && lower(i + 1)));
    if (wordStarts) words += ' ';
    words += name[i];
  }
  return words;
}

// The camera's description, else its tool tip (either may be all it has).
std::string Comment(INode* node) {
  const std::string description = node->GetDescription();
  return description.empty() ? std::string(node->GetToolTip()) : description;
}

bool IsEnumerationSelector(INode* node) {
  CSelectorPtr selector(node);
  return CEnumerationPtr(node).IsValid() && selector.IsValid() && selector->IsSelector();
}

}  // namespace

CPylonProperties::~CPylonProperties() {
  std::lock_guard lock(m_lock);
  m_properties.clear();
  m_retired.clear();
}

void CPylonProperties::SetVisibilityLimit(EVisibility limit) { g_visibilityLimit = limit; }

EVisibility CPylonProperties::VisibilityLimit() { return g_visibilityLimit; }

void CPylonProperties::Build(IPropertyHost* host, INodeMap* nodeMap, CPropertyList& list) {
  std::lock_guard lock(m_lock);
  Retire();
  m_host = host;
  INode* root = nodeMap ? nodeMap->GetNode(kRoot) : nullptr;
  if (!root) return;
  CollectSelectors(root);
  AddNode(root, list);
}

void CPylonProperties::Clear() {
  bool hadProperties = false;
  {
    std::lock_guard lock(m_lock);
    hadProperties = !m_properties.empty();
    Retire();
  }
  if (hadProperties) NotifyRebuild();
}

void CPylonProperties::Retire() {
  for (const auto& property : m_properties) property->Detach();
  // A Build right after a Clear (a camera reconnected at once) keeps the
  // properties the grid may still show.
  if (!m_properties.empty()) m_retired = std::move(m_properties);
  m_properties.clear();
  m_byId.clear();
  m_selectors.clear();
}

void CPylonProperties::CollectSelectors(INode* node) {
  for (INode* feature : Features(node)) {
    if (CCategoryPtr(feature).IsValid()) {
      CollectSelectors(feature);
    } else if (IsEnumerationSelector(feature) && feature->GetName() != kTriggerControlImplementation) {
      FeatureList_t selected;
      CSelectorPtr(feature)->GetSelectedFeatures(selected);
      for (IValue* value : selected) m_selectors[value->GetNode()] = CEnumerationPtr(feature);
    }
  }
}

void CPylonProperties::AddNode(INode* node, CPropertyList& list) {
  if (node->GetVisibility() >= VisibilityLimit()) return;
  if (!CCategoryPtr(node).IsValid()) {
    AddFeature(node, list);
    return;
  }
  const bool root = node->GetName() == kRoot;
  if (!root) {
    list.BeginGroup(DisplayName(node));
    list.SetLastFeature(node->GetName());
  }
  for (INode* feature : Features(node)) AddNode(feature, list);
  if (!root) list.EndGroup();
}

// A feature whose access or selector the camera cannot tell is left out.
void CPylonProperties::AddFeature(INode* node, CPropertyList& list) {
  try {
    if (!IsImplemented(node->GetAccessMode()) || !CPylonProperty::IsShownType(node) ||
        IsEnumerationSelector(node))
      return;
    if (auto selector = m_selectors.find(node); selector != m_selectors.end())
      AddSelectedFeature(node, selector->second, list);
    else
      AddProperty(node, {}, 0, node->GetName(), list, DisplayName(node), Comment(node));
  } catch (const GenICam::GenericException&) {
  }
}

void CPylonProperties::AddSelectedFeature(INode* node, CEnumerationPtr selector, CPropertyList& list) {
  const std::string name = node->GetName();
  const std::vector<IEnumEntry*> entries = CPylonProperty::ImplementedEntries(*selector);
  if (entries.size() > 1) {
    list.BeginGroup(DisplayName(node));
    list.SetLastFeature(name);
    for (IEnumEntry* entry : entries)
      AddProperty(node, selector, entry->GetValue(), name + entry->GetSymbolic(), list, entry->GetSymbolic(),
                  "");
    list.EndGroup();
    return;
  }
  IEnumEntry* current = selector->GetCurrentEntry();
  if (current)
    AddProperty(node, selector, current->GetValue(), name + current->GetSymbolic(), list, DisplayName(node),
                Comment(node));
  else
    AddProperty(node, {}, 0, name, list, DisplayName(node), Comment(node));
}

// A property enters the map only once its field is in the list; one the camera
// cannot describe (its range or entries unreadable) is left out.
void CPylonProperties::AddProperty(INode* node, CEnumerationPtr selector, int64_t selectorValue,
                                   std::string name, CPropertyList& list, std::string label,
                                   std::string comment) {
  try {
    auto property = std::make_unique<CPylonProperty>(node, selector, selectorValue, std::move(name),
                                                     [this](PropertyId id) { Notify(id); });
    property->AddTo(list, m_host, std::move(label), std::move(comment));
    m_byId[property->Id()] = property.get();
    m_properties.push_back(std::move(property));
  } catch (const GenICam::GenericException&) {
  }
}

CPylonProperty* CPylonProperties::Find(PropertyId id) const {
  const auto found = m_byId.find(id);
  return found == m_byId.end() ? nullptr : found->second;
}

bool CPylonProperties::OnPropertyChanged(PropertyId id, const PropertyValue& value, bool& result) {
  std::lock_guard lock(m_lock);
  CPylonProperty* property = Find(id);
  if (!property) return false;
  try {
    property->Write(value);
    result = true;
  } catch (const GenICam::GenericException&) {
    result = false;
  }
  return true;
}

bool CPylonProperties::IsPropertyEnabled(PropertyId id, bool& result) {
  std::lock_guard lock(m_lock);
  CPylonProperty* property = Find(id);
  if (!property) return false;
  result = property->IsWritable();
  return true;
}

void CPylonProperties::Save(TiXmlElement& element) {
  std::lock_guard lock(m_lock);
  TiXmlElement& saved = AEC::ChildElement(element, "CameraProperties");
  for (const auto& property : m_properties)
    if (property->IsReadWrite())
      AEC::ChildElement(saved, property->Name().c_str()).SetAttribute("value", property->ValueText());
}

void CPylonProperties::Load(const TiXmlElement& element) {
  std::lock_guard lock(m_lock);
  m_refusals.clear();
  const TiXmlElement* saved = element.FirstChildElement("CameraProperties");
  if (!saved) return;
  for (const auto& property : m_properties) {
    const std::string& name = property->Name();
    const TiXmlElement* child = saved->FirstChildElement(name.c_str());
    const char* value = child ? child->Attribute("value") : nullptr;
    if (!value || name == kUnselectedBalanceRatio || !property->IsReadWrite()) continue;
    try {
      property->WriteText(value);
    } catch (const GenICam::GenericException& error) {
      m_refusals.push_back(name + ": " + error.GetDescription());
    }
  }
}

std::vector<std::string> CPylonProperties::LoadRefusals() const {
  std::lock_guard lock(m_lock);
  return m_refusals;
}

void CPylonProperties::SetObserver(IPropertyHost::Observer observer) {
  std::lock_guard lock(m_observerLock);
  m_observer = std::move(observer);
}

// Called under the observer lock, so that no notice is running once the
// observer was replaced.
void CPylonProperties::Notify(PropertyId id) {
  std::lock_guard lock(m_observerLock);
  if (m_observer) m_observer(id);
}
