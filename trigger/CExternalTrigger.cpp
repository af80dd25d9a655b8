#include "trigger/CExternalTrigger.h"

#include "platform/ProfileStore.h"
#include "platform/SerialPort.h"
#include "platform/ThreadPriority.h"

#include <algorithm>
#include <exception>

namespace {

ITriggerClock& ClockOf(TriggerServices& services, std::unique_ptr<ITriggerClock>& own) {
  if (!services.clock) {
    own = std::make_unique<SystemTriggerClock>();
    services.clock = own.get();
  }
  return *services.clock;
}

IShotScheduler& SchedulerOf(TriggerServices& services, std::unique_ptr<TimerQueueShotScheduler>& own) {
  if (!services.scheduler) {
    own = std::make_unique<TimerQueueShotScheduler>();
    services.scheduler = own.get();
  }
  return *services.scheduler;
}

}  // namespace

CExternalTrigger::CExternalTrigger(bx::ProfileStore& profile, TriggerServices services)
    : m_profile(profile),
      m_services(std::move(services)),
      m_riseEvent(m_services.riseEventName),
      m_fallEvent(m_services.fallEventName),
      m_decision(ClockOf(m_services, m_ownClock), SchedulerOf(m_services, m_ownScheduler), *this) {
  if (!m_services.sound) {
    m_ownSound = std::make_unique<AlsaSoundPlayer>([this](const std::string& line) { Log(line); });
    m_services.sound = m_ownSound.get();
  }
}

CExternalTrigger::~CExternalTrigger() {
  Stop();
  // The timer thread goes before the decisions its callbacks reach.
  m_ownScheduler.reset();
}

void CExternalTrigger::Bind(bx::SerialPort* port, ITriggerHost* host) {
  m_port = port;
  m_host = host;
}

void CExternalTrigger::LoadSettings() {
  const TriggerSettings settings = LoadTriggerSettings(m_profile);
  {
    std::lock_guard lock(m_settingsMutex);
    m_settings = settings;
  }
  m_decision.SetSettings(settings);
  ConfigureCamera();
}

bool CExternalTrigger::SaveSettings() { return SaveTriggerSettings(m_profile, GetSettings()); }

void CExternalTrigger::SetSettings(const TriggerSettings& settings, bool save) {
  int previousSource;
  {
    std::lock_guard lock(m_settingsMutex);
    previousSource = m_settings.EffectiveSource();
    m_settings = settings;
  }
  m_decision.SetSettings(settings);
  ConfigureCamera();
  if (save) SaveSettings();
  if (settings.EffectiveSource() != previousSource && m_running) {
    Stop();
    Start();
  }
}

TriggerSettings CExternalTrigger::GetSettings() const {
  std::lock_guard lock(m_settingsMutex);
  return m_settings;
}

std::string CExternalTrigger::SoundName() const {
  std::lock_guard lock(m_settingsMutex);
  return m_settings.soundName;
}

int CExternalTrigger::Mode() const {
  std::lock_guard lock(m_settingsMutex);
  return m_settings.mode;
}

void CExternalTrigger::ConfigureCamera() {
  const TriggerSettings s = GetSettings();
  switch (s.mode) {
    case 1:
      // The camera triggers itself on its line with the engine's filter and delay.
      ConfigureLine(true, !s.negTrigger, "Line1");
      SetDebouncer(s.filterMs * 1000.0, "Line1");
      SetTriggerDelay(std::max(0, s.triggerDelayMs - s.filterMs) * 1000.0);
      break;
    case 2:
      ConfigureLine(true, false, "Line2");
      SetDebouncer(0, "Line1");
      SetDebouncer(0, "Line2");
      SetTriggerDelay(0);
      break;
    default:
      ConfigureLine(false, !s.negTrigger, "Line1");
      SetDebouncer(0, "Line1");
      SetTriggerDelay(0);
      break;
  }
}

bool CExternalTrigger::Start() {
  std::lock_guard lock(m_startStop);
  StopLocked();
  m_stop.Reset();
  ConfigureCamera();
  m_decision.SetPreTrigger(m_services.loadPreTrigger ? m_services.loadPreTrigger() : nullptr);
  // A signal left set by an earlier run or another program is not an edge.
  m_riseEvent.Reset();
  m_fallEvent.Reset();
  m_suspended = false;
  // The level now is the level before the first edge; edges from here on count.
  m_lineState = ReadLine();
  const int source = GetSettings().EffectiveSource();
  if (source == SourceCameraLine)
    m_startLevel = m_lineState;
  else
    m_startLevel = source == SourceSerialDsr && m_port && m_port->Dsr().value_or(false);
  m_decision.Start();
  m_running = true;
  m_thread = std::thread([this] { ThreadMain(); });
  if (source == SourceVideo) StartVideoDevice(GetSettings().videoDevice);
  return true;
}

void CExternalTrigger::Stop() {
  std::lock_guard lock(m_startStop);
  StopLocked();
}

void CExternalTrigger::StopLocked() {
  m_running = false;
  StopVideo();
  m_stop.Set();
  m_decision.Stop();
  if (m_thread.joinable()) m_thread.join();
}

void CExternalTrigger::PlaySound() {
  const std::string name = SoundName();
  if (!name.empty() && m_services.sound) m_services.sound->Play(name);
}

void CExternalTrigger::Log(const std::string& line) {
  if (m_services.log) m_services.log(line);
}

void CExternalTrigger::Fail(const std::string& what) {
  Log("Trigger failure: " + what);
  if (m_services.restartProgram) m_services.restartProgram();
}

void CExternalTrigger::ThreadMain() {
  try {
    // The time-critical level asks for real-time scheduling; without the
    // privilege the thread keeps the normal policy.
    bx::SetThreadRealtimeLevel(GetSettings().threadPriority);
    RunEdgeLoop();
  } catch (const std::exception& error) {
    Fail(error.what());
  }
}

void CExternalTrigger::RunEdgeLoop() {
  const int source = GetSettings().EffectiveSource();
  bool level = m_startLevel;
  constexpr uint32_t kSuspendedPollMs = 500;
  constexpr uint32_t kCameraTriggersItselfMs = 2000;
  while (!StopRequestedWithin(m_suspended ? kSuspendedPollMs : 0)) {
    if (Mode() == 1) {
      StopRequestedWithin(kCameraTriggersItselfMs);
      continue;
    }
    const std::optional<bool> edge = WaitEdge(source, level);
    if (!edge) continue;
    level = *edge;
    m_decision.OnEdge(level);
    // Other programs follow the line after the shot, which comes first.
    if (source == SourceSerialDsr || source == SourceCameraLine) MirrorLevel(level);
  }
}
