#pragma once
// A GenApi node map over a real camera's GenICam description, read through
// Aravis. Nodes are created the first time they are asked for, so a large
// description costs nothing until a feature is used.
#include <arv.h>

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

    GenApi::CNodeBase* Adapter(const std::string& name);
    CArvEnumEntry& Entry(const std::string& enumeration, ArvGcFeatureNode* entry);

private:
    GenApi::CNodeBase* CreateAdapter(const std::string& name, ArvGcNode* node);
    void AddAll(const std::string& name);

    ArvGc* m_genicam;
};

} // namespace Pylon
