#include "pylon/aravis/ArvNodeMap.h"

#include "pylon/aravis/ArvNodes.h"

namespace Pylon {

using namespace GenApi;

CArvNodeMap::CArvNodeMap(ArvDevice* device, std::string deviceName)
    : CNodeMapBase(std::move(deviceName)), m_genicam(arv_device_get_genicam(device)) {}

INode* CArvNodeMap::GetNode(const gcstring& name) const {
  return const_cast<CArvNodeMap*>(this)->Adapter(name);
}

void CArvNodeMap::GetNodes(NodeList_t& nodes) const {
  const_cast<CArvNodeMap*>(this)->AddAll("Root");
  CNodeMapBase::GetNodes(nodes);
}

void CArvNodeMap::NotifyChanged(CNodeBase&) {
  auto lock = Lock();
  NodeList_t nodes;
  CNodeMapBase::GetNodes(nodes);
  for (INode* node : nodes) dynamic_cast<CNodeBase&>(*node).FireCallbacks();
}

CNodeBase* CArvNodeMap::Adapter(const std::string& name) {
  auto lock = Lock();
  if (CNodeBase* known = Find(name)) return known;
  ArvGcNode* node = arv_gc_get_node(m_genicam, name.c_str());
  if (!node || !ARV_IS_GC_FEATURE_NODE(node)) return nullptr;
  return CreateAdapter(name, node);
}

CArvEnumEntry& CArvNodeMap::Entry(const std::string& enumeration, ArvGcFeatureNode* entry) {
  auto lock = Lock();
  const std::string name = "EnumEntry_" + enumeration + "_" + arv_gc_feature_node_get_name(entry);
  if (auto* known = dynamic_cast<CArvEnumEntry*>(Find(name))) return *known;
  return Add<CArvEnumEntry>(entry, enumeration);
}

CNodeBase* CArvNodeMap::CreateAdapter(const std::string& name, ArvGcNode* node) {
  auto* feature = ARV_GC_FEATURE_NODE(node);
  CNodeBase* adapter = nullptr;
  if (ARV_IS_GC_CATEGORY(node))
    adapter = &Add<CArvCategory>(feature);
  else if (ARV_IS_GC_ENUMERATION(node))
    adapter = &Add<CArvEnumeration>(feature);
  else if (ARV_IS_GC_COMMAND(node))
    adapter = &Add<CArvCommand>(feature);
  else if (ARV_IS_GC_BOOLEAN(node))
    adapter = &Add<CArvBoolean>(feature);
  else if (ARV_IS_GC_FLOAT(node))
    adapter = &Add<CArvFloat>(feature);
  else if (ARV_IS_GC_INTEGER(node))
    adapter = &Add<CArvInteger>(feature);
  else if (ARV_IS_GC_STRING(node))
    adapter = &Add<CArvString>(feature);
  if (!adapter || name != adapter->GetName()) return adapter;
  if (ARV_IS_GC_SELECTOR(node) && arv_gc_selector_is_selector(ARV_GC_SELECTOR(node))) {
    for (const GSList* item = arv_gc_selector_get_selected_features(ARV_GC_SELECTOR(node)); item;
         item = item->next) {
      const char* selected = arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(item->data));
      if (CNodeBase* target = Adapter(selected)) adapter->AddSelected(*target);
    }
  }
  return adapter;
}

void CArvNodeMap::AddAll(const std::string& name) {
  auto* category = dynamic_cast<ICategory*>(Adapter(name));
  if (!category) return;
  FeatureList_t features;
  category->GetFeatures(features);
  for (IValue* feature : features) AddAll(feature->GetNode()->GetName());
}

}  // namespace Pylon
