#include "platform/Event.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace bx {
namespace {

// All events share one lock, which makes waiting on several of them simple and exact.
std::mutex& EventsLock() {
  static std::mutex lock;
  return lock;
}

class ConditionObserver final : public EventObserver {
 public:
  void Notify() override { condition.notify_all(); }
  std::condition_variable condition;
};

// With the lock held: the index satisfying the wait, consuming auto-reset events, or -1.
int TryAcquire(const std::vector<Event*>& events, bool waitAll, const std::vector<bool>& autoReset) {
  if (waitAll) {
    for (const Event* e : events)
      if (!e->IsSet()) return Event::kWaitTimeout;
    for (size_t i = 0; i < events.size(); ++i)
      if (autoReset[i]) events[i]->Reset();
    return 0;
  }
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i]->IsSet()) {
      if (autoReset[i]) events[i]->Reset();
      return static_cast<int>(i);
    }
  }
  return Event::kWaitTimeout;
}

}  // namespace

Event::Event(ResetMode mode, bool initiallySet) : mode_(mode), signalled_(initiallySet) {}

Event::~Event() = default;

void Event::Set() {
  std::lock_guard<std::mutex> guard(EventsLock());
  signalled_.store(true, std::memory_order_release);
  for (EventObserver* observer : observers_) observer->Notify();
}

// Called with or without the common lock: a plain store is enough either way.
void Event::Reset() { signalled_.store(false, std::memory_order_release); }

bool Event::Wait(uint32_t timeoutMs) { return WaitForMultiple({this}, false, timeoutMs) == 0; }

int Event::WaitForMultiple(const std::vector<Event*>& events, bool waitAll, uint32_t timeoutMs) {
  std::vector<bool> autoReset;
  for (const Event* e : events) autoReset.push_back(e->mode_ == ResetMode::Auto);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(EventsLock());
  int result = TryAcquire(events, waitAll, autoReset);
  if (result != kWaitTimeout || timeoutMs == 0 || events.empty()) return result;
  ConditionObserver observer;
  for (Event* e : events) e->observers_.push_back(&observer);
  while (result == kWaitTimeout) {
    if (timeoutMs == kInfinite) {
      observer.condition.wait(lock);
    } else if (observer.condition.wait_until(lock, deadline) == std::cv_status::timeout) {
      result = TryAcquire(events, waitAll, autoReset);
      break;
    }
    result = TryAcquire(events, waitAll, autoReset);
  }
  for (Event* e : events) std::erase(e->observers_, &observer);
  return result;
}

void Event::AddObserver(EventObserver* observer) const {
  std::lock_guard<std::mutex> guard(EventsLock());
  observers_.push_back(observer);
}

void Event::RemoveObserver(EventObserver* observer) const {
  std::lock_guard<std::mutex> guard(EventsLock());
  std::erase(observers_, observer);
}

}  // namespace bx
