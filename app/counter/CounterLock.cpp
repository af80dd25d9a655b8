#include "app/counter/CounterLock.h"

std::mutex& CounterLock() {
  static std::mutex lock;
  return lock;
}
