#pragma once
// Manual-reset wait objects and waiting on several of them at once. Copies of a
// wait object share one state, so a copy added to a WaitObjects set sees signals.
#include <cstdint>
#include <memory>
#include <vector>

namespace Pylon {

constexpr unsigned int INFINITE = 0xFFFFFFFFu;

class WaitObject {
 public:
  WaitObject();
  bool IsValid() const { return m_state != nullptr; }
  // True when the object is (or becomes) signalled within timeoutMs.
  bool Wait(unsigned int timeoutMs) const;

 protected:
  struct State;
  std::shared_ptr<State> m_state;
  friend class WaitObjects;
};

class WaitObjectEx : public WaitObject {
 public:
  static WaitObjectEx Create(bool signalled = false);
  void Signal();
  void Reset();
};

// The event a waiting thread is woken through; used as the grab thread's
// termination request.
class AlertableWaitObject : public WaitObjectEx {
 public:
  explicit AlertableWaitObject(bool signalled = false);
};

class WaitObjects {
 public:
  unsigned int Add(const WaitObject& object);  // returns the object's index
  void RemoveAll();
  size_t GetSize() const { return m_objects.size(); }
  // Waits until any object is signalled; its index (the lowest signalled one)
  // goes to *index. False on time-out.
  bool WaitForAny(unsigned int timeoutMs, unsigned int* index = nullptr) const;
  bool WaitForAll(unsigned int timeoutMs) const;

 private:
  std::vector<WaitObject> m_objects;
};

}  // namespace Pylon
