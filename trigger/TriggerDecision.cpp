#include "trigger/TriggerDecision.h"

#include <exception>
#include <memory>
#include <optional>

namespace {

// The lines logged on the way to a shot, made once: no allocation per edge.
const std::string kRiseEdgeLine = "Trigger Rise Edge";
const std::string kPreTriggerLine = "PreTrigger";
const std::string kShotLine = "Trigger";

const char* PreTriggerText(int result) {
  switch (result) {
    case 0:
      return "FALSE";
    case -1:
      return "TIMEOUT";
    default:
      return "TRUE";
  }
}

}  // namespace

CTriggerDecision::CTriggerDecision(ITriggerClock& clock, IShotScheduler& scheduler, ITriggerActions& actions)
    : m_clock(clock), m_scheduler(scheduler), m_actions(actions) {}

CTriggerDecision::~CTriggerDecision() { Stop(); }

void CTriggerDecision::SetSettings(const TriggerSettings& settings) {
  std::lock_guard lock(m_mutex);
  m_settings = settings;
  m_sequenceIdle = true;
}

void CTriggerDecision::SetPreTrigger(PreTriggerHook hook) {
  std::lock_guard lock(m_mutex);
  m_preTrigger = std::move(hook);
}

void CTriggerDecision::Start() {
  std::lock_guard lock(m_mutex);
  const uint32_t now = m_clock.Now();
  m_lastShot = m_riseTime = m_fallTime = m_lastSound = now;
  m_fallCount = 0;
  m_allowed = true;
  m_lastRise = {};
  m_stopping = false;
}

void CTriggerDecision::Stop() {
  std::unique_lock lock(m_mutex);
  m_stopping = true;
  for (IShotScheduler::TimerId id : m_timers) m_scheduler.Cancel(id);
  m_timers.clear();
  m_pendingTimer = 0;
  m_idle.wait(lock, [this] { return m_shotsInFlight == 0; });
}

void CTriggerDecision::OnEdge(bool rising) {
  if (rising)
    OnRise();
  else
    OnFall();
}

void CTriggerDecision::OnRise() {
  m_actions.Log(kRiseEdgeLine);
  PreTriggerHook hook;
  {
    std::lock_guard lock(m_mutex);
    hook = m_preTrigger;
  }
  std::optional<bool> allowed;
  if (hook) {
    m_actions.Log(kPreTriggerLine);
    const int result = hook();
    m_actions.Log(std::string("PreTrigger result=") + PreTriggerText(result));
    allowed = result != 0;
  }
  bool sound = false;
  ShotPlan plan = ShotPlan::None;
  {
    std::lock_guard lock(m_mutex);
    if (allowed) m_allowed = *allowed;
    const uint32_t now = m_clock.Now();
    if (now - m_lastSound > static_cast<uint32_t>(m_settings.minDelayMs)) {
      m_lastSound = now;
      sound = true;
    }
    m_riseTime = now;
    m_fallCount = 0;
    m_lastRise = {};
    if (!m_settings.negTrigger && now - m_lastShot > static_cast<uint32_t>(m_settings.minDelayMs))
      plan = PlanShot(NextDelayLocked(now, &m_lastRise), true);
  }
  if (sound) m_actions.PlaySound();
  if (plan == ShotPlan::Now) Fire();
}

void CTriggerDecision::OnFall() {
  ShotPlan plan = ShotPlan::None;
  {
    std::unique_lock lock(m_mutex);
    m_fallTime = m_clock.Now();
    if (++m_fallCount > 1) {
      lock.unlock();
      m_actions.Log("Trigger Spurious Event");
      return;
    }
    const uint32_t pulse = m_fallTime - m_riseTime;
    const auto minDelay = static_cast<uint32_t>(m_settings.minDelayMs);
    if (m_settings.negTrigger) {
      if (pulse > static_cast<uint32_t>(m_settings.filterMs) && m_fallTime - m_lastShot > minDelay) {
        plan = PlanShot(NextDelayLocked(m_fallTime, nullptr), false);
        m_lastShot = m_fallTime;
      }
    } else if (m_riseTime - m_lastShot > minDelay) {
      // The video detector's pulse is short by design: it is never a glitch.
      const bool glitch = m_settings.filterMs > 0 && pulse < static_cast<uint32_t>(m_settings.filterMs) &&
                          m_settings.EffectiveSource() != SourceVideo;
      if (glitch) {
        // A glitch: the shot it asked for is cancelled while still pending.
        if (m_pendingTimer != 0 && m_scheduler.Cancel(m_pendingTimer)) {
          m_timers.erase(m_pendingTimer);
          UndoRise();
        }
      } else {
        m_lastShot = m_riseTime;
      }
      m_pendingTimer = 0;
    }
  }
  m_actions.Log("Trigger Fall Edge");
  if (plan == ShotPlan::Now) Fire();
}

void CTriggerDecision::UndoRise() {
  if (m_lastRise.entryUsed && m_seqIndex > 0) --m_seqIndex;
  if (m_lastRise.stepCounted && m_stepCount > 0) --m_stepCount;
  m_lastRise = {};
}

int CTriggerDecision::NextDelay() {
  std::lock_guard lock(m_mutex);
  return NextDelayLocked(m_clock.Now(), nullptr);
}

int CTriggerDecision::NextDelayLocked(uint32_t now, RiseEffect* effect) {
  if (m_sequenceIdle || now - m_sequenceStart > static_cast<uint32_t>(m_settings.sequenceResetMs)) {
    m_sequenceIdle = false;
    m_sequenceStart = now;
    m_seqIndex = 0;
    m_stepCount = 0;
  }
  const auto& steps = m_settings.sequence;
  ++m_stepCount;
  if (effect) effect->stepCounted = true;
  if (steps.empty()) return m_settings.triggerDelayMs;
  if (m_seqIndex >= static_cast<int>(steps.size()) || steps[m_seqIndex].step != m_stepCount - 1) return -1;
  if (effect) effect->entryUsed = true;
  return steps[m_seqIndex++].delayMs;
}

CTriggerDecision::ShotPlan CTriggerDecision::PlanShot(int delayMs, bool asPending) {
  if (delayMs < 0 || !m_allowed || m_stopping) return ShotPlan::None;
  if (delayMs == 0) {
    ++m_shotsInFlight;
    return ShotPlan::Now;
  }
  const IShotScheduler::TimerId id = ScheduleLocked(static_cast<uint32_t>(delayMs));
  if (asPending) m_pendingTimer = id;
  return ShotPlan::Scheduled;
}

IShotScheduler::TimerId CTriggerDecision::ScheduleLocked(uint32_t delayMs) {
  // The id is known only after scheduling: the callback looks it up under the
  // lock, which this thread holds until the id is recorded.
  auto id = std::make_shared<IShotScheduler::TimerId>(0);
  *id = m_scheduler.Schedule(delayMs, [this, id] { OnTimer(id); });
  m_timers.insert(*id);
  return *id;
}

void CTriggerDecision::OnTimer(const std::shared_ptr<IShotScheduler::TimerId>& timer) {
  {
    std::lock_guard lock(m_mutex);
    const IShotScheduler::TimerId id = *timer;
    if (m_timers.erase(id) == 0 || m_stopping) return;
    if (m_pendingTimer == id) m_pendingTimer = 0;
    ++m_shotsInFlight;
  }
  try {
    Fire();
  } catch (const std::exception& error) {
    m_actions.Fail(error.what());
  }
}

void CTriggerDecision::Fire() {
  struct InFlight {
    CTriggerDecision& decision;
    ~InFlight() {
      std::lock_guard lock(decision.m_mutex);
      if (--decision.m_shotsInFlight == 0) decision.m_idle.notify_all();
    }
  } inFlight{*this};
  m_actions.Shoot();
  m_actions.Log(kShotLine);
  bool queued = false;
  {
    std::lock_guard lock(m_mutex);
    if (m_settings.multiTrigger && !m_stopping) {
      const int delay = NextDelayLocked(m_clock.Now(), nullptr);
      if (delay > 0) {
        ScheduleLocked(static_cast<uint32_t>(delay));
        queued = true;
      }
    }
  }
  if (queued) m_actions.Log("Next Trigger Queued");
}
