#pragma once
// Common implementation of a node: identity, description, visibility, selector
// relations and registered callbacks. Each transport derives its typed nodes.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "pylon/NodeCallback.h"

namespace GenApi {

class CNodeMapBase;

class CNodeBase : public virtual INode, public virtual IValue, public virtual ISelector {
 public:
  CNodeBase(CNodeMapBase& map, std::string name, EInterfaceType type);
  virtual ~CNodeBase();
  CNodeBase(const CNodeBase&) = delete;
  CNodeBase& operator=(const CNodeBase&) = delete;

  gcstring GetName(bool fullQualified = false) const override;
  gcstring GetDisplayName() const override;
  gcstring GetDescription() const override { return m_description; }
  gcstring GetToolTip() const override { return m_toolTip.empty() ? m_description : m_toolTip; }
  EVisibility GetVisibility() const override { return m_visibility; }
  EInterfaceType GetPrincipalInterfaceType() const override { return m_type; }
  bool IsFeature() const override { return m_type != intfIEnumEntry; }
  INodeMap* GetNodeMap() const override;
  CallbackHandleType RegisterCallback(CNodeCallback* callback) override;
  bool DeregisterCallback(CallbackHandleType handle) override;

  INode* GetNode() override { return this; }

  bool IsSelector() const override { return !m_selected.empty(); }
  void GetSelectedFeatures(FeatureList_t& features) const override;
  void GetSelectingFeatures(FeatureList_t& features) const override;

  // Set-up by the transport that builds the map.
  CNodeBase& Describe(std::string description, EVisibility visibility = Beginner);
  void SetDisplayName(std::string displayName) { m_displayName = std::move(displayName); }
  void SetToolTip(std::string toolTip) { m_toolTip = std::move(toolTip); }
  void AddSelected(CNodeBase& feature);     // this node selects feature
  void AddInvalidated(CNodeBase& feature);  // feature changes whenever this node does

  // The value that identifies this node's current state when it acts as a selector.
  virtual int64_t SelectorKey() { return 0; }
  // Runs this node's callbacks (the map lock is held by the caller).
  void FireCallbacks();
  const std::vector<CNodeBase*>& Selected() const { return m_selected; }
  const std::vector<CNodeBase*>& Selecting() const { return m_selecting; }
  const std::vector<CNodeBase*>& Invalidated() const { return m_invalidated; }

 protected:
  std::unique_lock<std::recursive_mutex> Lock() const;
  // Call after the value or state changed through this node.
  void NotifyChanged();
  CNodeMapBase& Map() const { return m_map; }
  [[noreturn]] void ThrowNotReadable() const;
  [[noreturn]] void ThrowNotWritable() const;
  void CheckReadable();
  void CheckWritable();

 private:
  CNodeMapBase& m_map;
  std::string m_name;
  std::string m_displayName;
  std::string m_description;
  std::string m_toolTip;
  EVisibility m_visibility = Beginner;
  EInterfaceType m_type;
  std::vector<CNodeCallback*> m_callbacks;
  std::vector<CNodeBase*> m_selected;
  std::vector<CNodeBase*> m_selecting;
  std::vector<CNodeBase*> m_invalidated;
};

// Owns the nodes of one map, finds them by name and serialises access to them.
class CNodeMapBase : public INodeMap {
 public:
  explicit CNodeMapBase(std::string deviceName);
  virtual ~CNodeMapBase();

  INode* GetNode(const gcstring& name) const override;
  void GetNodes(NodeList_t& nodes) const override;
  gcstring GetDeviceName() const override { return m_deviceName; }
  void InvalidateNodes() const override {}

  template <class Node, class... Args>
  Node& Add(Args&&... args) {
    auto node = std::make_unique<Node>(*this, std::forward<Args>(args)...);
    Node& ref = *node;
    Insert(std::move(node));
    return ref;
  }
  CNodeBase* Find(const std::string& name) const;
  std::unique_lock<std::recursive_mutex> Lock() const {
    return std::unique_lock<std::recursive_mutex>(m_mutex);
  }
  // Fires the callbacks of a changed node and of every node that depends on it.
  virtual void NotifyChanged(CNodeBase& node);
  // A map whose device is gone reports every feature as not available.
  void SetOnline(bool online) { m_online = online; }
  bool IsOnline() const { return m_online; }

 private:
  void Insert(std::unique_ptr<CNodeBase> node);

  std::string m_deviceName;
  std::atomic<bool> m_online{true};
  mutable std::recursive_mutex m_mutex;
  std::vector<std::unique_ptr<CNodeBase>> m_nodes;
  std::unordered_map<std::string, CNodeBase*> m_byName;
};

}  // namespace GenApi
