#include "platform/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>

namespace bx {

bool SetThreadRealtimeLevel(int level) {
  if (level <= 0) return false;
  sched_param param{};
  param.sched_priority =
      std::min(sched_get_priority_max(SCHED_FIFO), sched_get_priority_min(SCHED_FIFO) + level);
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace bx
