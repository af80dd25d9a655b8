#include "pylon/NodeBase.h"

#include <algorithm>

#include "pylon/GenericException.h"

namespace GenApi {

CNodeBase::CNodeBase(CNodeMapBase& map, std::string name, EInterfaceType type)
    : m_map(map), m_name(std::move(name)), m_type(type) {}

CNodeBase::~CNodeBase() {
  for (CNodeCallback* callback : m_callbacks) callback->Destroy();
}

gcstring CNodeBase::GetName(bool fullQualified) const { return fullQualified ? "Std::" + m_name : m_name; }

gcstring CNodeBase::GetDisplayName() const { return m_displayName.empty() ? m_name : m_displayName; }

INodeMap* CNodeBase::GetNodeMap() const { return &m_map; }

CallbackHandleType CNodeBase::RegisterCallback(CNodeCallback* callback) {
  auto lock = Lock();
  m_callbacks.push_back(callback);
  return callback;
}

bool CNodeBase::DeregisterCallback(CallbackHandleType handle) {
  auto lock = Lock();
  auto it = std::find(m_callbacks.begin(), m_callbacks.end(), handle);
  if (it == m_callbacks.end()) return false;
  m_callbacks.erase(it);
  handle->Destroy();
  return true;
}

void CNodeBase::GetSelectedFeatures(FeatureList_t& features) const {
  features.clear();
  for (CNodeBase* node : m_selected) features.push_back(node);
}

void CNodeBase::GetSelectingFeatures(FeatureList_t& features) const {
  features.clear();
  for (CNodeBase* node : m_selecting) features.push_back(node);
}

CNodeBase& CNodeBase::Describe(std::string description, EVisibility visibility) {
  m_description = std::move(description);
  m_visibility = visibility;
  return *this;
}

void CNodeBase::AddSelected(CNodeBase& feature) {
  m_selected.push_back(&feature);
  feature.m_selecting.push_back(this);
}

void CNodeBase::AddInvalidated(CNodeBase& feature) { m_invalidated.push_back(&feature); }

void CNodeBase::FireCallbacks() {
  // A callback may deregister callbacks: call only those still registered.
  const std::vector<CNodeCallback*> snapshot = m_callbacks;
  for (CNodeCallback* callback : snapshot) {
    if (std::find(m_callbacks.begin(), m_callbacks.end(), callback) != m_callbacks.end())
      (*callback)(callback->GetCallbackType());
  }
}

std::unique_lock<std::recursive_mutex> CNodeBase::Lock() const { return m_map.Lock(); }

void CNodeBase::NotifyChanged() { m_map.NotifyChanged(*this); }

void CNodeBase::ThrowNotReadable() const {
  throw GenICam::AccessException(("Node '" + m_name + "' is not readable").c_str(), __FILE__, __LINE__);
}

void CNodeBase::ThrowNotWritable() const {
  throw GenICam::AccessException(("Node '" + m_name + "' is not writable").c_str(), __FILE__, __LINE__);
}

void CNodeBase::CheckReadable() {
  if (!IsReadable(GetAccessMode())) ThrowNotReadable();
}

void CNodeBase::CheckWritable() {
  if (!IsWritable(GetAccessMode())) ThrowNotWritable();
}

CNodeMapBase::CNodeMapBase(std::string deviceName) : m_deviceName(std::move(deviceName)) {}

CNodeMapBase::~CNodeMapBase() = default;

INode* CNodeMapBase::GetNode(const gcstring& name) const { return Find(name); }

void CNodeMapBase::GetNodes(NodeList_t& nodes) const {
  nodes.clear();
  for (const auto& node : m_nodes) nodes.push_back(node.get());
}

CNodeBase* CNodeMapBase::Find(const std::string& name) const {
  auto it = m_byName.find(name);
  return it == m_byName.end() ? nullptr : it->second;
}

void CNodeMapBase::NotifyChanged(CNodeBase& node) {
  auto lock = Lock();
  std::vector<CNodeBase*> fired{&node};
  auto fire = [&fired](CNodeBase* target) {
    if (std::find(fired.begin(), fired.end(), target) != fired.end()) return;
    fired.push_back(target);
  };
  for (CNodeBase* dependent : node.Selected()) fire(dependent);
  for (CNodeBase* dependent : node.Invalidated()) fire(dependent);
  for (CNodeBase* target : fired) target->FireCallbacks();
}

void CNodeMapBase::Insert(std::unique_ptr<CNodeBase> node) {
  m_byName[node->GetName()] = node.get();
  m_nodes.push_back(std::move(node));
}

}  // namespace GenApi
