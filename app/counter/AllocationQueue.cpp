#include "app/counter/AllocationQueue.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <exception>

#include "platform/LogTrace.h"

namespace {

// A flag threads sleep on until it is set: one system call to sleep, one to
// wake every sleeper, none when it is already set.
class WakeFlag {
 public:
  void Wait() {
    while (m_set.load(std::memory_order_acquire) == 0)
      ::syscall(SYS_futex, Word(), FUTEX_WAIT_PRIVATE, 0, nullptr, nullptr, 0);
  }
  void Set() {
    m_set.store(1, std::memory_order_release);
    ::syscall(SYS_futex, Word(), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
  }

 private:
  int* Word() { return reinterpret_cast<int*>(&m_set); }
  std::atomic<int> m_set{0};
};

static_assert(sizeof(std::atomic<int>) == sizeof(int) && std::atomic<int>::is_always_lock_free);

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

// The requests committed together. Every waiting thread holds it, so a flag
// is never set or woken after its sleepers are gone.
struct AllocationQueue::Batch {
  std::vector<PendingAllocation*> allocations;
  WakeFlag turn;       // its first request may commit it
  WakeFlag committed;  // every request of it is done
};

void AllocationQueue::Submit(PendingAllocation& allocation, const Commit& commit) {
  std::unique_lock lock(m_mutex);
  if (!m_committing) {
    // Nothing is being committed: this request goes at once, alone.
    m_committing = true;
    lock.unlock();
    Batch alone;
    alone.allocations.push_back(&allocation);
    CommitInTurn(alone, commit);
    return;
  }
  if (!m_next) m_next = std::make_shared<Batch>();
  const std::shared_ptr<Batch> batch = m_next;
  batch->allocations.push_back(&allocation);
  const bool first = batch->allocations.size() == 1;
  lock.unlock();
  if (first) {
    batch->turn.Wait();
    lock.lock();
    m_next.reset();  // those that came while this thread woke are in; later ones start the next batch
    lock.unlock();
    CommitInTurn(*batch, commit);
  } else {
    batch->committed.Wait();
  }
}

void AllocationQueue::CommitInTurn(Batch& batch, const Commit& commit) {
  const bool succeeded = CommitCatching(commit, batch.allocations);
  for (PendingAllocation* committed : batch.allocations) {
    if (!succeeded) committed->granted = false;
    committed->done = true;
  }
  // The next write starts first: it is what every later request waits for.
  std::shared_ptr<Batch> next;
  {
    std::lock_guard lock(m_mutex);
    next = m_next;
    m_committing = next != nullptr;
  }
  if (next) next->turn.Set();
  if (batch.allocations.size() > 1) batch.committed.Set();
}
