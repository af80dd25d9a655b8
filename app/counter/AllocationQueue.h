#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// One allocation request on its way to the counter.
struct PendingAllocation {
  std::int32_t count = 0;
  std::int32_t first = 0;
  bool granted = false;
  bool done = false;
};

// Gathers the allocations that arrive while others are being committed, so
// that one read and one synchronised write of the counter serve them all.
// A request that has to wait sleeps once and is woken once: the first of a
// batch when the commit before it has ended, the others of the batch together
// once it has been committed.
class AllocationQueue {
 public:
  using Commit = std::function<void(const std::vector<PendingAllocation*>&)>;

  // Returns once `allocation` has been committed, by this thread or another.
  // A commit that throws leaves every allocation of its batch not granted.
  void Submit(PendingAllocation& allocation, const Commit& commit);

 private:
  struct Batch;

  // Commits `batch` on this thread, wakes its other requests and hands the
  // turn to the batch gathered meanwhile, if any.
  void CommitInTurn(Batch& batch, const Commit& commit);

  std::mutex m_mutex;
  std::shared_ptr<Batch> m_next;  // gathering while a commit runs
  bool m_committing = false;
};
