#include "app/numbering/NumberingClock.h"

#include <thread>

void SystemNumberingClock::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}
