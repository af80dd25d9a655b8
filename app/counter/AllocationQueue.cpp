#include "app/counter/AllocationQueue.h"

void AllocationQueue::Submit(PendingAllocation& allocation, const Commit& commit) {
  std::unique_lock lock(m_mutex);
  m_waiting.push_back(&allocation);
  m_committed.wait(lock, [&] { return allocation.done || !m_committing; });
  if (allocation.done) return;
  // No commit is running: this thread commits everything waiting, itself included.
  m_committing = true;
  std::vector<PendingAllocation*> batch;
  batch.swap(m_waiting);
  lock.unlock();
  commit(batch);
  lock.lock();
  for (PendingAllocation* committed : batch) committed->done = true;
  m_committing = false;
  m_committed.notify_all();
}
