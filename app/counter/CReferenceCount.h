#pragma once

#include <mutex>

// A count of live users, bounded.
class CReferenceCount {
 public:
  // Adds one user unless `limit` are already counted; false when refused.
  bool TryIncrement(int limit);
  void Decrement();
  int Count() const;

 private:
  mutable std::mutex m_mutex;
  int m_count = 0;
};
