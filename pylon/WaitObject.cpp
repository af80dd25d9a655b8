#include "pylon/WaitObject.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace Pylon {
namespace {

// All wait objects share one lock and one condition, so a thread can wait for
// any combination of them. Signals are rare (a few per frame), so waking every
// waiter costs nothing measurable.
// Never destroyed: threads may still signal while the process exits.
std::mutex& SignalMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::condition_variable& SignalCondition() {
  static auto* condition = new std::condition_variable;
  return *condition;
}

template <class Predicate>
bool WaitUntil(unsigned int timeoutMs, Predicate ready) {
  std::unique_lock<std::mutex> lock(SignalMutex());
  if (timeoutMs == INFINITE) {
    SignalCondition().wait(lock, ready);
    return true;
  }
  return SignalCondition().wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

}  // namespace

struct WaitObject::State {
  bool signalled = false;
};

WaitObject::WaitObject() : m_state(std::make_shared<State>()) {}

bool WaitObject::Wait(unsigned int timeoutMs) const {
  const State& state = *m_state;
  return WaitUntil(timeoutMs, [&state] { return state.signalled; });
}

WaitObjectEx WaitObjectEx::Create(bool signalled) {
  WaitObjectEx object;
  if (signalled) object.Signal();
  return object;
}

void WaitObjectEx::Signal() {
  {
    std::lock_guard<std::mutex> lock(SignalMutex());
    m_state->signalled = true;
  }
  SignalCondition().notify_all();
}

void WaitObjectEx::Reset() {
  std::lock_guard<std::mutex> lock(SignalMutex());
  m_state->signalled = false;
}

AlertableWaitObject::AlertableWaitObject(bool signalled) {
  if (signalled) Signal();
}

unsigned int WaitObjects::Add(const WaitObject& object) {
  m_objects.push_back(object);
  return static_cast<unsigned int>(m_objects.size() - 1);
}

void WaitObjects::RemoveAll() { m_objects.clear(); }

bool WaitObjects::WaitForAny(unsigned int timeoutMs, unsigned int* index) const {
  unsigned int found = 0;
  const bool signalled = WaitUntil(timeoutMs, [this, &found] {
    for (size_t i = 0; i < m_objects.size(); ++i) {
      if (m_objects[i].m_state->signalled) {
        found = static_cast<unsigned int>(i);
        return true;
      }
    }
    return false;
  });
  if (signalled && index) *index = found;
  return signalled;
}

bool WaitObjects::WaitForAll(unsigned int timeoutMs) const {
  return WaitUntil(timeoutMs, [this] {
    for (const WaitObject& object : m_objects)
      if (!object.m_state->signalled) return false;
    return true;
  });
}

}  // namespace Pylon
