#include "app/station/CxImageRefList.h"

#include "pixlib/core/CxImage.h"

CxImageRefList::~CxImageRefList() { RemoveAll(true); }

int CxImageRefList::GetCount() const {
  std::lock_guard lock(m_lock);
  return static_cast<int>(m_images.size());
}

void CxImageRefList::AddTail(CxImage* image) {
  {
    std::lock_guard lock(m_lock);
    m_images.push_back({image, std::chrono::steady_clock::now()});
  }
  m_changed.notify_all();
}

CxImage* CxImageRefList::RemoveHead(std::chrono::steady_clock::time_point* queuedAt) {
  std::unique_lock lock(m_lock);
  m_changed.wait(lock, [this] { return m_state != State::Open || !m_images.empty(); });
  if (m_state == State::Draining) {
    if (m_drainLeft == 0)
      m_state = State::Stopped;
    else
      --m_drainLeft;
  }
  if (m_state == State::Stopped) return nullptr;
  const Entry head = m_images.front();
  m_images.pop_front();
  if (queuedAt) *queuedAt = head.queuedAt;
  return head.image;
}

int CxImageRefList::RemoveAll(bool wake) {
  std::list<Entry> discarded;
  {
    std::lock_guard lock(m_lock);
    discarded.swap(m_images);
    m_state = wake ? State::Stopped : State::Open;
  }
  m_changed.notify_all();
  for (const Entry& entry : discarded) delete entry.image;
  return static_cast<int>(discarded.size());
}

void CxImageRefList::StopAfterQueued() {
  {
    std::lock_guard lock(m_lock);
    if (m_state != State::Open) return;
    m_state = State::Draining;
    m_drainLeft = m_images.size();
  }
  m_changed.notify_all();
}
