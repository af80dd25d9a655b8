#pragma once

#include "remote/StationEvent.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace remote {

// The station's events on their way to subscribers (the event stream, the
// notifications). Publishing never waits: the hub keeps the last `capacity`
// events, and a subscriber that falls further behind is told how many it missed.
class EventHub {
 public:
  explicit EventHub(std::size_t capacity = 256);

  void Publish(std::string name, std::string json);

  // What a subscriber reads: the events after its cursor, and how many it missed.
  struct Batch {
    std::vector<StationEvent> events;
    std::uint64_t missed = 0;
    bool closed = false;
  };
  // The id the next event will have: a new subscriber starts there.
  std::uint64_t NextId() const;
  // Waits up to `timeout` for events with ids from `cursor` on, and moves the
  // cursor past what it returns. Returns at once once the hub is closed.
  Batch WaitFrom(std::uint64_t& cursor, std::chrono::milliseconds timeout);
  // Wakes every waiting subscriber for good (the service stops).
  void Close();

 private:
  const std::size_t m_capacity;
  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  std::deque<StationEvent> m_events;
  std::uint64_t m_nextId = 1;
  bool m_closed = false;
};

}  // namespace remote
