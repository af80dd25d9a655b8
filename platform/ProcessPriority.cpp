#include "platform/ProcessPriority.h"

#include <sys/resource.h>

namespace bx {

int NiceValueOf(int priorityClass) {
  switch (priorityClass) {
    case kIdlePriorityClass:
      return 19;
    case kBelowNormalPriorityClass:
      return 10;
    case kAboveNormalPriorityClass:
      return -5;
    case kHighPriorityClass:
      return -10;
    case kRealtimePriorityClass:
      return -20;
    default:
      return 0;
  }
}

bool SetProcessPriorityClass(int priorityClass) {
  switch (priorityClass) {
    case kIdlePriorityClass:
    case kBelowNormalPriorityClass:
    case kNormalPriorityClass:
    case kAboveNormalPriorityClass:
    case kHighPriorityClass:
    case kRealtimePriorityClass:
      return setpriority(PRIO_PROCESS, 0, NiceValueOf(priorityClass)) == 0;
    default:
      return false;
  }
}

}  // namespace bx
