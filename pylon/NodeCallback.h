#pragma once
// Callbacks a client registers on a node; they run when the node's value or
// state changes (also when a selector or another node it depends on changes).
#include "pylon/GenApiNodes.h"

namespace GenApi {

class CNodeCallback {
 public:
  CNodeCallback(INode* node, ECallbackType type) : m_node(node), m_type(type) {}
  virtual ~CNodeCallback() = default;
  virtual void operator()(ECallbackType type) const = 0;
  virtual void Destroy() = 0;
  INode* GetNode() const { return m_node; }
  ECallbackType GetCallbackType() const { return m_type; }

 private:
  INode* m_node;
  ECallbackType m_type;
};

// Calls client.member(node) when fired.
template <class Client, class Member>
class Member_NodeCallback : public CNodeCallback {
 public:
  Member_NodeCallback(INode* node, Client& client, Member member, ECallbackType type)
      : CNodeCallback(node, type), m_client(client), m_member(member) {}
  void operator()(ECallbackType type) const override {
    if (type == GetCallbackType()) (m_client.*m_member)(GetNode());
  }
  void Destroy() override { delete this; }

 private:
  Client& m_client;
  Member m_member;
};

template <class Client, class Member>
CNodeCallback* make_NodeCallback(INode* node, Client& client, Member member, ECallbackType type) {
  return new Member_NodeCallback<Client, Member>(node, client, member, type);
}

template <class Client, class Member>
CallbackHandleType Register(INode* node, Client& client, Member member,
                            ECallbackType type = cbPostInsideLock) {
  return node->RegisterCallback(make_NodeCallback(node, client, member, type));
}

inline bool Deregister(CallbackHandleType handle) {
  return handle && handle->GetNode()->DeregisterCallback(handle);
}

}  // namespace GenApi
