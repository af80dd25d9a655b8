#include "trigger/TriggerTiming.h"

#include "platform/TickCount.h"

uint32_t SystemTriggerClock::Now() { return bx::TickCount(); }

IShotScheduler::TimerId TimerQueueShotScheduler::Schedule(uint32_t delayMs, std::function<void()> callback) {
  return m_queue.Schedule(delayMs, std::move(callback));
}

bool TimerQueueShotScheduler::Cancel(TimerId id) { return m_queue.Cancel(id); }
