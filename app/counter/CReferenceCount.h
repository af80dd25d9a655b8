#pragma once

#include <condition_variable>
#include <mutex>

// A count of live users with a wait that returns once it has dropped to zero.
class CReferenceCount {
 public:
  // Adds one user unless `limit` are already counted; false when refused.
  bool TryIncrement(int limit);
  void Decrement();
  int Count() const;
  void WaitForZero() const;

 private:
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_zero;
  int m_count = 0;
};
