#pragma once
// A GenApi node map over a real camera's GenICam description, read through
// Aravis. Nodes are created the first time they are asked for, so a large
// description costs nothing until a feature is used.
#include <arv.h>

#include <functional>

#include "pylon/NodeBase.h"

namespace Pylon {

class CArvEnumEntry;

class CArvNodeMap : public GenApi::CNodeMapBase {
 public:
  CArvNodeMap(ArvDevice* device, std::string deviceName);

  GenApi::INode* GetNode(const GenApi::gcstring& name) const override;
  void GetNodes(GenApi::NodeList_t& nodes) const override;
  // A write may change any value: every registered callback runs.
  void NotifyChanged(GenApi::CNodeBase& node) override;

  // A camera that leaves a read or write unanswered through every retry is
  // taken for lost at once, without waiting for the heartbeat to fail.
  void SetLostHandler(std::function<void()> handler) { m_lost = std::move(handler); }
  void ReportUnanswered() const {
    if (m_lost) m_lost();
  }

  GenApi::CNodeBase* Adapter(const std::string& name);
  CArvEnumEntry& Entry(const std::string& enumeration, ArvGcFeatureNode* entry);

 private:
  GenApi::CNodeBase* CreateAdapter(const std::string& name, ArvGcNode* node);
  void AddAll(const std::string& name);

  ArvGc* m_genicam;
  std::function<void()> m_lost;
};

}  // namespace Pylon
