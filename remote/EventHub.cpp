#include "remote/EventHub.h"

namespace remote {

EventHub::EventHub(std::size_t capacity) : m_capacity(capacity) {}

void EventHub::Publish(std::string name, std::string json) {
  {
    std::lock_guard lock(m_lock);
    m_events.push_back({m_nextId++, std::move(name), std::move(json)});
    if (m_events.size() > m_capacity) m_events.pop_front();
  }
  m_changed.notify_all();
}

std::uint64_t EventHub::NextId() const {
  std::lock_guard lock(m_lock);
  return m_nextId;
}

EventHub::Batch EventHub::WaitFrom(std::uint64_t& cursor, std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_lock);
  m_changed.wait_for(lock, timeout, [&] { return m_closed || m_nextId > cursor; });
  Batch batch;
  batch.closed = m_closed;
  if (!m_events.empty() && m_events.front().id > cursor) {
    batch.missed = m_events.front().id - cursor;
    cursor = m_events.front().id;
  }
  for (const StationEvent& event : m_events)
    if (event.id >= cursor) batch.events.push_back(event);
  cursor = m_nextId;
  return batch;
}

void EventHub::Close() {
  {
    std::lock_guard lock(m_lock);
    m_closed = true;
  }
  m_changed.notify_all();
}

}  // namespace remote
