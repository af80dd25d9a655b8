#include "app/counter/AllocationQueue.h"

#include "platform/LogTrace.h"

#include <exception>

namespace {

// A commit that throws grants nothing, and the queue must go on serving.
bool CommitCatching(const AllocationQueue::Commit& commit, const std::vector<PendingAllocation*>& batch) {
  try {
    commit(batch);
    return true;
  } catch (const std::exception& error) {
    TheLog().WriteLine(std::string("Counter: allocation failed: ") + error.what());
  } catch (...) {
    TheLog().WriteLine("Counter: allocation failed");
  }
  return false;
}

}  // namespace

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
  if (!CommitCatching(commit, batch))
    for (PendingAllocation* failed : batch) failed->granted = false;
  lock.lock();
  for (PendingAllocation* committed : batch) committed->done = true;
  m_committing = false;
  // Woken after the unlock, the waiters find the lock free instead of queueing on it.
  lock.unlock();
  m_committed.notify_all();
}
