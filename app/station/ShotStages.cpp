#include "app/station/ShotStages.h"

void ShotStageClock::FrameArrived(ShotStages::Duration conversion) {
  const Clock::rep now = Clock::now().time_since_epoch().count();
  const Clock::rep trigger = m_trigger.load();
  // The conversion ran between the frame's reception and its arrival here.
  m_triggerToFrame = trigger > 0 ? now - trigger - conversion.count() : 0;
  m_conversion = conversion.count();
}

ShotStages& ShotStageClock::BeginSave() {
  m_current = ShotStages{};
  m_current.triggerToFrame = ShotStages::Duration(m_triggerToFrame.load());
  m_current.conversion = ShotStages::Duration(m_conversion.load());
  return m_current;
}

void ShotStageClock::Publish(const ShotStages& saved) {
  std::lock_guard lock(m_lock);
  m_last = saved;
}

ShotStages ShotStageClock::LastSaved() const {
  std::lock_guard lock(m_lock);
  return m_last;
}
