#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace bx {

// Something that wants to hear when an event becomes signalled. Notify runs while
// the events' common lock is held: it must not block or touch events.
class EventObserver {
 public:
  virtual void Notify() = 0;

 protected:
  ~EventObserver() = default;
};

// A manual- or auto-reset event. A manual-reset event stays signalled until Reset;
// an auto-reset event releases one waiter and resets itself.
class Event {
 public:
  enum class ResetMode { Manual, Auto };
  static constexpr int kWaitTimeout = -1;
  static constexpr uint32_t kInfinite = 0xFFFFFFFF;

  explicit Event(ResetMode mode = ResetMode::Manual, bool initiallySet = false);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // True when signalled within the time-out (kInfinite waits without limit).
  bool Wait(uint32_t timeoutMs = kInfinite);
  // Current state without consuming it; safe to call while holding other locks.
  bool IsSet() const { return signalled_.load(std::memory_order_acquire); }

  // Waits for any (the lowest signalled index is returned) or all of the events.
  // Returns the index (0 when all are signalled) or kWaitTimeout.
  static int WaitForMultiple(const std::vector<Event*>& events, bool waitAll, uint32_t timeoutMs);

  // Observers are told of every Set until they are removed.
  // Observing does not change the event, so it is allowed on a const one.
  void AddObserver(EventObserver* observer) const;
  void RemoveObserver(EventObserver* observer) const;

 private:
  const ResetMode mode_;
  std::atomic<bool> signalled_;
  mutable std::vector<EventObserver*> observers_;
};

}  // namespace bx
