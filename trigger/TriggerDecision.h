#pragma once
// What the trigger engine decides on each edge of the trigger signal: the
// glitch filter, the dead time between shots and between sounds, the veto of
// the external "PreTrigger", immediate or delayed shots, sequences and
// multi-trigger chains. It holds no thread of its own: the engine's edge thread
// calls OnEdge, delayed shots run on the scheduler's thread. One lock guards the
// settings, the sequence and the timers; it is never held while shooting,
// playing the sound or calling "PreTrigger".
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "trigger/TriggerSettings.h"
#include "trigger/TriggerTiming.h"

// What the decisions act on.
class ITriggerActions {
 public:
  virtual ~ITriggerActions() = default;
  // Releases one shot (the engine's virtual Fire).
  virtual void Shoot() = 0;
  virtual void PlaySound() = 0;
  virtual void Log(const std::string& line) = 0;
  // An exception escaped a delayed shot: the program cannot trust its state.
  virtual void Fail(const std::string& what) = 0;
};

class CTriggerDecision {
 public:
  // The hook's results: 0 refuses the shot, -1 is a time-out (the shot goes on).
  using PreTriggerHook = std::function<int()>;

  CTriggerDecision(ITriggerClock& clock, IShotScheduler& scheduler, ITriggerActions& actions);
  ~CTriggerDecision();
  CTriggerDecision(const CTriggerDecision&) = delete;
  CTriggerDecision& operator=(const CTriggerDecision&) = delete;

  // Stores the settings and restarts the sequence.
  void SetSettings(const TriggerSettings& settings);
  void SetPreTrigger(PreTriggerHook hook);

  // Every time of the edge logic is "now": no shot and no sound within the
  // dead time after Start.
  void Start();
  // Cancels every timer and waits for shots in flight; no shot starts afterwards.
  void Stop();

  // One edge of the trigger signal: rising (true) or falling.
  void OnEdge(bool rising);

  // The delay of the next shot in milliseconds, -1 for none; advances the sequence.
  int NextDelay();

 private:
  // What one rise did to the sequence, so that a glitch undoes exactly that.
  struct RiseEffect {
    bool stepCounted = false;
    bool entryUsed = false;
  };
  enum class ShotPlan { None, Now, Scheduled };

  void OnRise();
  void OnFall();
  int NextDelayLocked(uint32_t now, RiseEffect* effect);
  ShotPlan PlanShot(int delayMs, bool asPending);
  IShotScheduler::TimerId ScheduleLocked(uint32_t delayMs);
  void OnTimer(const std::shared_ptr<IShotScheduler::TimerId>& timer);
  // Shoots (one shot counted in flight), then chains the next multi-trigger shot.
  void Fire();
  void UndoRise();

  ITriggerClock& m_clock;
  IShotScheduler& m_scheduler;
  ITriggerActions& m_actions;

  std::mutex m_mutex;
  std::condition_variable m_idle;
  TriggerSettings m_settings;
  PreTriggerHook m_preTrigger;
  bool m_sequenceIdle = true;  // the next trigger begins a sequence
  uint32_t m_sequenceStart = 0;
  int m_seqIndex = 0;
  int m_stepCount = 0;
  uint32_t m_lastShot = 0;
  uint32_t m_riseTime = 0;
  uint32_t m_fallTime = 0;
  uint32_t m_lastSound = 0;
  int m_fallCount = 0;
  bool m_allowed = true;
  RiseEffect m_lastRise;
  IShotScheduler::TimerId m_pendingTimer = 0;
  std::set<IShotScheduler::TimerId> m_timers;
  int m_shotsInFlight = 0;
  bool m_stopping = true;
};
