#pragma once
// The camera's own features mirrored for the property grid: categories become
// nested groups, a feature governed by an enumeration selector becomes one
// property per selector entry, and every shown value follows the camera
// through node callbacks. The writable features are stored in and loaded from
// the "CameraProperties" element of the camera settings file.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "camera/PylonProperty.h"

class TiXmlElement;

class CPylonProperties {
 public:
  CPylonProperties() = default;
  ~CPylonProperties();
  CPylonProperties(const CPylonProperties&) = delete;
  CPylonProperties& operator=(const CPylonProperties&) = delete;

  // Features whose visibility is at or above the limit (Guru by default) are
  // neither shown, saved nor loaded. Process-wide.
  static void SetVisibilityLimit(GenApi::EVisibility limit);
  static GenApi::EVisibility VisibilityLimit();

  // Replaces the properties by the feature tree under "Root" of `nodeMap`
  // (nothing without one), adding its fields to `list` for `host`.
  void Build(IPropertyHost* host, GenApi::INodeMap* nodeMap, CPropertyList& list);
  // Deletes every property; the observer is told to rebuild when there were any.
  void Clear();
  // Both return whether the id is one of the mirrored features. A change is
  // written to the camera; `result` is false when the camera refused it.
  bool OnPropertyChanged(PropertyId id, const PropertyValue& value, bool& result);
  // Enabled exactly when the feature is writable now.
  bool IsPropertyEnabled(PropertyId id, bool& result);

  // Every read-write feature into the child "CameraProperties" of `element`.
  void Save(TiXmlElement& element);
  // The features found in "CameraProperties", in tree order. A value the
  // camera refuses is skipped and noted in LoadRefusals; the rest still load.
  void Load(const TiXmlElement& element);
  // "Feature: reason" for every value refused by the last Load.
  std::vector<std::string> LoadRefusals() const;

  // Called with a property's id when the camera changed its value or state,
  // and with null when the list must be rebuilt. It may run on any thread,
  // under the camera's node lock: it must only hand the notice on.
  void SetObserver(IPropertyHost::Observer observer);
  void NotifyRebuild() { Notify(nullptr); }

 private:
  void CollectSelectors(GenApi::INode* node);
  void AddNode(GenApi::INode* node, CPropertyList& list);
  void AddFeature(GenApi::INode* node, CPropertyList& list);
  void AddSelectedFeature(GenApi::INode* node, GenApi::CEnumerationPtr selector, CPropertyList& list);
  void AddProperty(GenApi::INode* node, GenApi::CEnumerationPtr selector, int64_t selectorValue,
                   std::string name, CPropertyList& list, std::string label, std::string comment);
  // Under m_lock: the properties leave the camera (see m_retired).
  void Retire();
  CPylonProperty* Find(PropertyId id) const;
  void Notify(PropertyId id);

  mutable std::mutex m_lock;  // the properties; taken before the node map's lock
  IPropertyHost* m_host = nullptr;
  std::vector<std::unique_ptr<CPylonProperty>> m_properties;  // tree order
  // The properties the last Build or Clear replaced: detached from the
  // camera, but kept until the next one, so that a grid that has not yet
  // acted on the rebuild notice still reads valid values.
  std::vector<std::unique_ptr<CPylonProperty>> m_retired;
  std::map<PropertyId, CPylonProperty*> m_byId;
  std::map<GenApi::INode*, GenApi::CEnumerationPtr> m_selectors;  // feature -> its selector
  std::vector<std::string> m_refusals;
  std::mutex m_observerLock;
  IPropertyHost::Observer m_observer;
};
