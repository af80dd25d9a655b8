// The station's serial port, trigger engine, flash and external functions
// library: opened, bound and started in the order the start-up gives them.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "app/StartupSettings.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Log(const std::string& line) { TheLog().WriteLine(line); }

// A station test or a second station on one machine names its own events.
std::string EventName(const char* variable, const char* standard) {
  const char* name = std::getenv(variable);
  return name && *name ? name : standard;
}

}  // namespace

std::unique_ptr<CPylonTrigger> CGrabberDlg::MakeTrigger() {
  TriggerServices services;
  services.log = Log;
  services.restartProgram = [this] { m_app.RestartProgram(); };
  services.loadPreTrigger = [this] {
    CExternalFunctions functions;
    functions.Load(ExternalFunctionsPath(), Log);
    return functions.PreTrigger(Log);
  };
  services.makeVideoSource = [this] { return MakeVideoSource(); };
  services.riseEventName = EventName("BX_RISE_EVENT", "BXRiseEvent");
  services.fallEventName = EventName("BX_FALL_EVENT", "BXFallEvent");
  return std::make_unique<CPylonTrigger>(m_triggerProfile, std::move(services));
}

void CGrabberDlg::OpenSerialPort() {
  if (!m_serialPort->IsOpen()) m_serialPort->Open(ReadString("Program Settings", "Serial Port", "COM1"));
  m_flash.Bind(m_serialPort.get());
  m_trigger->Bind(m_serialPort.get(), m_triggerHost.get(), this);
}

bool CGrabberDlg::StartTriggerEngine() {
  const bool started = m_trigger->Start();
  KeepLivePreviewRunning();
  return started;
}

void CGrabberDlg::KeepLivePreviewRunning() {
  // Configuring the camera's trigger switches it to one frame per trigger; the
  // live preview needs it running free.
  if (m_liveMode) SetFreeRunning(true);
}

void CGrabberDlg::StopTriggerEngine() { m_trigger->Stop(); }

bool CGrabberDlg::IsTriggerSuspended() const { return m_trigger->IsSuspended(); }

void CGrabberDlg::SetTriggerSuspended(bool suspended) { m_trigger->SetSuspended(suspended); }

void CGrabberDlg::SetTriggerSettings(const TriggerSettings& settings, bool save) {
  m_trigger->SetSettings(settings, save);
  KeepLivePreviewRunning();
  m_triggerDelay = settings.triggerDelayMs;
  m_showDelay = settings.showDelayS;
}

TriggerSettings CGrabberDlg::GetTriggerSettings() const { return m_trigger->GetSettings(); }

void CGrabberDlg::TriggeredShot(bool flag) {
  const CWatchedSection watched = WatchSection("trigger thread");
  Shoot(
      flag, [this] { return m_trigger->IsStopping(); }, TriggerSourceName());
}

void CGrabberDlg::LoadPresetFlash(int preset) { m_flash.Load(PropertiesFileName(), PresetSet(preset)); }

bool CGrabberDlg::FlashState() const { return m_flash.Get() != 0; }

void CGrabberDlg::SetFlash(bool on) {
  // The camera's output follows the exposure while the flash is on.
  m_flash.Set(on);
  SetOutputSource(on, GetOutputLine());
}

// The default names a library that is seldom installed: it counts only when it
// is there, so that a station without one says nothing about it.
std::string CGrabberDlg::ExternalFunctionsPath() {
  const std::string configured =
      ReadString("Program Settings", "External Functions", kDefaultExternalFunctions);
  const std::string path = CExternalFunctions::ResolvePath(configured, m_app.GetExeFolder());
  if (configured == kDefaultExternalFunctions && ::access(path.c_str(), F_OK) != 0) return "";
  return path;
}

void CGrabberDlg::LoadExternalFunctions() {
  const bool loaded = m_externalFunctions.Load(ExternalFunctionsPath(), Log);
  {
    std::lock_guard lock(m_preSaveLock);
    m_preSave = m_externalFunctions.PreSave(Log);
  }
  if (!loaded) return;
  const CLogTrace& log = TheLog();
  m_externalFunctions.CallInit(nullptr, m_app.ApplicationName(), log.IsEnabled(), log.FileName(), true);
}
