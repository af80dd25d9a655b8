#pragma once

#include <cstdint>
#include <string>

#include "platform/Event.h"

namespace bx {

// A manual-reset event shared by every process of the machine under one name,
// kept in POSIX shared memory. It exists until Remove, like a system object
// that some process keeps open.
class NamedEvent {
 public:
  enum class WaitResult { Signalled, Stopped, Timeout, Failed };

  // Opens the event, creating it (not signalled) when it does not exist yet.
  explicit NamedEvent(const std::string& name);
  ~NamedEvent();
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;

  bool IsOpen() const { return state_ != nullptr; }
  const std::string& Name() const { return name_; }

  bool Set();
  bool Reset();
  // Releases the processes waiting now and leaves the event not signalled.
  bool Pulse();
  bool IsSet() const;

  // Waits until the event is set or pulsed, until `stop` (when given) is set, or
  // until the time-out (Event::kInfinite waits without limit).
  WaitResult Wait(uint32_t timeoutMs, const Event* stop = nullptr);

  // Deletes the shared object; processes that have it open keep using theirs.
  static void Remove(const std::string& name);

 private:
  struct SharedState;
  class StopObserver;

  std::string name_;
  SharedState* state_ = nullptr;
};

}  // namespace bx
