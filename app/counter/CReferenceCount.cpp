#include "app/counter/CReferenceCount.h"

bool CReferenceCount::TryIncrement(int limit) {
  std::lock_guard lock(m_mutex);
  if (m_count >= limit) return false;
  ++m_count;
  return true;
}

void CReferenceCount::Decrement() {
  std::lock_guard lock(m_mutex);
  --m_count;
}

int CReferenceCount::Count() const {
  std::lock_guard lock(m_mutex);
  return m_count;
}
