#include "app/counter/CReferenceCount.h"

bool CReferenceCount::TryIncrement(int limit) {
  std::lock_guard lock(m_mutex);
  if (m_count >= limit) return false;
  ++m_count;
  return true;
}

void CReferenceCount::Decrement() {
  std::lock_guard lock(m_mutex);
  if (--m_count <= 0) m_zero.notify_all();
}

int CReferenceCount::Count() const {
  std::lock_guard lock(m_mutex);
  return m_count;
}

void CReferenceCount::WaitForZero() const {
  std::unique_lock lock(m_mutex);
  m_zero.wait(lock, [this] { return m_count <= 0; });
}
