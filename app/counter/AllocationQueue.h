#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
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
class AllocationQueue {
 public:
  using Commit = std::function<void(const std::vector<PendingAllocation*>&)>;

  // Returns once `allocation` has been committed, by this thread or another.
  // A commit that throws leaves every allocation of its batch not granted.
  void Submit(PendingAllocation& allocation, const Commit& commit);

 private:
  std::mutex m_mutex;
  std::condition_variable m_committed;
  std::vector<PendingAllocation*> m_waiting;
  bool m_committing = false;
};
