#pragma once
// One-argument callbacks: a body calling a client's member function, held by a
// copyable Callback1. Device removal callbacks are Callback1<IPylonDevice*>.
#include <memory>

namespace Pylon {

template <class P>
class CallbackBody {
 public:
  virtual ~CallbackBody() = default;
  virtual void operator()(P parameter) const = 0;
};

template <class P, class Client, class Member>
class Member_CallbackBody : public CallbackBody<P> {
 public:
  Member_CallbackBody(Client& client, Member member) : m_client(client), m_member(member) {}
  void operator()(P parameter) const override { (m_client.*m_member)(parameter); }

 private:
  Client& m_client;
  Member m_member;
};

template <class P>
class Callback1 {
 public:
  explicit Callback1(std::shared_ptr<const CallbackBody<P>> body) : m_body(std::move(body)) {}
  void operator()(P parameter) const { (*m_body)(parameter); }

 private:
  std::shared_ptr<const CallbackBody<P>> m_body;
};

template <class P, class Client, class Member>
Callback1<P> make_MemberFunctionCallback(Client& client, Member member) {
  return Callback1<P>(std::make_shared<Member_CallbackBody<P, Client, Member>>(client, member));
}

}  // namespace Pylon
