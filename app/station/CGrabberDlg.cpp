#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "app/StartupSettings.h"
#include "app/station/IStationHost.h"
#include "app/station/ShotStages.h"
#include "camera/CameraTransport.h"
#include "platform/StatePaths.h"
#include "pylon/TlFactory.h"
#include "app/station/StationRemoteHost.h"
#include "remote/RemoteService.h"
#include "remote/RemoteSettings.h"

#include <cstdio>
#include <cstdlib>

#include <array>
#include <chrono>
#include <thread>

namespace {

constexpr const char* kTitleConnecting = "Brightcap Grabber trying to connect to camera";
constexpr std::array<const char*, 3> kPresetTitles = {
    "Brightcap Grabber %s active preset Normal",
    "Brightcap Grabber %s active preset Low Light",
    "Brightcap Grabber %s active preset Hight Light",
};
constexpr int kDefaultCameraPixelType = 0x0108000B;  // BayerBG8
constexpr int kOutputPixelType = 0x02180015;         // BGR8packed
constexpr int kRestartShutdownCode = 3;

// "BX_RECONNECT_PERIOD_MS" shortens the reconnect period for tests; the default is the station's.
int ConfiguredReconnectPeriodMs() {
  const char* configured = std::getenv("BX_RECONNECT_PERIOD_MS");
  const int period = configured ? std::atoi(configured) : 0;
  return period > 0 ? period : CGrabberDlg::kReconnectPeriodMs;
}

std::string Seconds(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

template <class Call>
void CGrabberDlg::TryOnCamera(const char* what, Call call) {
  try {
    call();
  } catch (const GenICam::GenericException& error) {
    TheLog().WriteLine(std::string(what) + " failed: " + error.what());
  }
}

CGrabberDlg::CGrabberDlg(CGrabberApp& app, IStationHost& host, std::unique_ptr<bx::SerialPort> serialPort)
    : CPylonCamera(app.ApplicationName()),
      m_reconnectPeriodMs(ConfiguredReconnectPeriodMs()),
      m_app(app),
      m_host(host),
      m_counterSettings(app),
      m_counterClient(m_counterSettings),
      m_serialPort(serialPort ? std::move(serialPort) : std::make_unique<bx::TermiosSerialPort>()),
      m_numbering(m_counterSettings, m_counterClient, m_numberingClock, m_serialPort.get()),
      m_triggerProfile(app.ApplicationName()),
      m_triggerHost(std::make_unique<TriggerHost>(*this)),
      m_trigger(MakeTrigger()),
      m_recordWriter(
          bx::StatePaths::StateFolder() + "/" + app.ApplicationName() + ".records",
          [this](std::size_t pending) { OnRecordBacklog(pending); },
          [](const std::string& note) { TheLog().WriteLine(note); }),
      m_watchdog(MakeWatchdog()),
      m_stages(std::make_unique<ShotStageClock>()) {
  if (m_app.m_counterServer) m_app.m_counterServer->SetPresetHost(this);
  m_app.SetRestartStop([this] { OnDestroy(); });
  const remote::RemoteSettings remote = remote::RemoteSettings::Read(m_triggerProfile, m_app.m_instance);
  m_inService = remote.inService;
  m_serviceReason = remote.serviceReason;
  if (!m_inService) TheLog().WriteLine("Out of service: " + m_serviceReason + " (shots are ignored)");
}

CGrabberDlg::~CGrabberDlg() {
  // Waits for a restart that is stopping this station, and keeps later ones away.
  m_app.SetRestartStop({});
  // The grab thread calls back into this object: stop it before the members go.
  OnDestroy();
  ReleaseDevice();
  WaitForRemovalHandler();
  delete m_currentImage;
}

bool CGrabberDlg::OnInitDialog() {
  OpenSerialPort();
  AdoptOldPresetsFile();
  LoadLayoutList();
  std::string server, databasePath, op, file;
  GetDatabaseSettings(server, databasePath, op, file);
  // Left by a run stopped while saving, before the writer looks for their photos
  // (the settings are loaded once the camera is connected).
  const std::string photoRoot = ReadString("Database Settings", "DatabasePath", "");
  if (!photoRoot.empty()) RemoveStalePartialFiles(ImageTreePaths::For(photoRoot, "", 0, 0).imagesFolder);
  RemoveStalePartialFiles(bx::StatePaths::StateFolder());
  RemoveStalePartialFiles(bx::StatePaths::ConfigFolder());
  m_recordWriter.Resume(RecordTarget(databasePath));
  if (ConnectCamera()) {
    TheLog().WriteLine("Camera connected: " + CameraName());
    m_feed.CameraFound(CameraName());
  } else {
    StartReconnecting("No camera found on transport " + Pylon::CTlFactory::GetInstance().GetTransport());
  }
  OnPageActivated(ControlPage);
  if (!m_host.IsShiftHeld() && !m_cameraConnected && ReadInt("Settings", "Restart", 0) != 0) {
    m_app.m_shutdownCode = kRestartShutdownCode;
    return false;
  }
  StartRemoteService();
  StartServiceNotices();
  return true;
}

// Closing and a restart may both stop the station: whichever comes second
// waits until the first has stopped it.
void CGrabberDlg::OnDestroy() {
  std::call_once(m_destroyOnce, [this] { StopEverything(); });
}

void CGrabberDlg::StopEverything() {
  {
    std::lock_guard timer(m_timerLock);
    m_destroyed = true;
  }
  // Its requests reach the core no more, and its clients are gone.
  StopRemoteService();
  // Waits for a preset command in progress: none reaches the core after this.
  if (m_app.m_counterServer) m_app.m_counterServer->SetPresetHost(nullptr);
  StopServiceNotices();
  StopPresetQueue();
  m_reconnectTimer.Kill();
  std::lock_guard connecting(m_connectLock);
  StopGrab();
  StopTriggerEngine();
  StopProcessing();
  m_recordWriter.Stop(std::chrono::milliseconds(kDrainLimitMs));
}

bool CGrabberDlg::ConnectCamera() {
  // The engine's shots wait for this lock, and starting acquisition restarts the
  // engine: stop it first, so that restart never waits for a shot waiting for us.
  StopTriggerEngine();
  std::lock_guard connecting(m_connectLock);
  {
    std::lock_guard timer(m_timerLock);
    m_cameraLost = false;
  }
  SetTitle(kTitleConnecting);
  bx::ProfileStore profile(m_app.ApplicationName());
  // A transport the SDK does not know opens nothing: never the one selected before.
  const bool known = SelectConfiguredCameraTransport(profile);
  const int index = std::atoi(ReadString("Camera Settings", "Device Index", "0").c_str());
  const std::string serial = ReadString("Camera Settings", "Device Name", "");
  const bool opened = known && (index == -1 ? OpenBySerial(serial) : OpenByIndex(index));
  if (!opened) {
    m_cameraConnected = false;
    m_host.RefreshPages();
    return false;
  }
  {
    const auto lifecycle = LockLifecycle();
    if (const Pylon::IPylonDevice* device = GetDevice()) {
      const Pylon::CDeviceInfo info = device->GetDeviceInfo();
      std::lock_guard state(m_stateLock);
      m_cameraName = info.GetFriendlyName() + " on transport " + info.GetDeviceClass();
      m_cameraModel = info.GetModelName();
      m_cameraSerial = info.GetSerialNumber();
      m_cameraTransport = info.GetDeviceClass();
    }
  }
  SetPresetTitle();
  SetRequestedPixelType(
      static_cast<Pylon::EPixelType>(ReadInt("Camera Settings", "Pixel Type", kDefaultCameraPixelType)));
  SetOutputPixelType(static_cast<Pylon::EPixelType>(kOutputPixelType));
  LoadPresetCameraProperties(m_preset);
  LoadPresetFlash(m_preset);
  SetFlash(FlashState());
  LoadSettings();
  LogExposureNodes();
  StartStop(true);
  m_host.RefreshPages();
  return m_cameraConnected;
}

// Runs on the SDK's removal thread, once the lost device is gone.
void CGrabberDlg::OnDeviceRemoved() {
  m_cameraConnected = false;
  ++m_cameraLosses;
  m_host.RefreshPages();
  m_feed.CameraLost(CameraName());
  StartReconnecting("Camera lost: " + CameraName());
}

void CGrabberDlg::StartReconnecting(const std::string& why) {
  std::lock_guard timer(m_timerLock);
  m_cameraLost = true;
  if (m_destroyed) return;
  TheLog().WriteLine(why + "; trying again every " + Seconds(m_reconnectPeriodMs));
  if (!m_reconnectTimer.IsRunning()) m_reconnectTimer.Start(m_reconnectPeriodMs, [this] { Reconnect(); });
  m_host.RefreshPages();  // the control page says "No camera" at once
}

// A tick of the reconnect timer. The timer ends once the camera grabs again,
// unless it was lost again in the meantime.
void CGrabberDlg::Reconnect() {
  if (!ConnectCamera()) return;
  std::lock_guard timer(m_timerLock);
  if (m_cameraLost) return;
  m_reconnectTimer.Kill();
  TheLog().WriteLine((m_cameraLosses > 0 ? "Camera reconnected: " : "Camera connected: ") + CameraName());
  if (m_cameraLosses > 0) m_feed.Tally().CameraReconnected();
  m_feed.CameraFound(CameraName());
}

std::string CGrabberDlg::CameraName() const {
  std::lock_guard lock(m_stateLock);
  return m_cameraName.empty() ? "no camera yet" : m_cameraName;
}

// Once per kind of camera: a reconnect of the same camera says nothing new.
void CGrabberDlg::LogExposureNodes() {
  const std::string nodes = BoundNodes();
  if (nodes == m_loggedExposureNodes) return;
  m_loggedExposureNodes = nodes;
  TheLog().WriteLine("Exposure control on " + nodes);
}

void CGrabberDlg::LoadSettings() {
  LoadExternalFunctions();
  LoadPresetFlash(m_preset);
  SetFlash(FlashState());
  LoadPresetColour(m_preset);
  std::string server = ReadString("Database Settings", "ServerName", "");
  std::string path = ReadString("Database Settings", "DatabasePath", "");
  std::string op = ReadString("Database Settings", "OperatorName", kDefaultOperatorName);
  std::string file = ReadString("Database Settings", "DatabaseFile", "data.mdb");
  {
    std::lock_guard lock(m_stateLock);
    m_serverName = std::move(server);
    m_databasePath = std::move(path);
    m_operatorName = std::move(op);
    m_databaseFile = std::move(file);
  }
  m_trigger->LoadSettings();
  const TriggerSettings trigger = m_trigger->GetSettings();
  m_triggerDelay = trigger.triggerDelayMs;
  m_showDelay = trigger.showDelayS;
}

void CGrabberDlg::StartStop(bool start) {
  std::lock_guard connecting(m_connectLock);
  // The camera counts as connected only once its frames are grabbed and
  // processed: a shot asked for before would be lost without a word.
  m_cameraConnected = false;
  if (!start) {
    StopGrab();
    StopTriggerEngine();
    StopProcessing();
  } else {
    // A reconnect finds the previous run's thread still waiting on the
    // queue: it ends before the new run's frames can arrive.
    StopProcessing();
    if (!m_app.m_noTriggerThread) m_triggerThread = StartTriggerEngine();
    if (ReadInt("Program Settings", "External Counter", 0) != 0) ResetExternalCounter();
    SetFreeRunning(false);
    const int buffers = ReadInt("Camera Settings", "Num Buffers", 1);
    bool grabbing = false;
    TryOnCamera("Starting acquisition", [&] { grabbing = PrepareGrab(buffers); });
    m_frameQueue.RemoveAll(false);
    StartProcessing();
    ArmVideoTrigger();
    m_cameraConnected = grabbing;
  }
  m_host.RefreshPages();
}

void CGrabberDlg::SetGrabbing(bool on) { StartStop(on); }

void CGrabberDlg::ApplyPreset(int preset) {
  // The preset arrives from the film-number service too: ignore unknown numbers.
  if (preset < PresetNormal || preset > PresetHighLight) return;
  std::lock_guard connecting(m_connectLock);
  const bool suspended = IsTriggerSuspended();
  SetTriggerSuspended(true);
  m_preset = preset;
  NotePresetSettings(preset);
  LoadPresetCameraProperties(preset);
  LoadPresetFlash(preset);
  SetFlash(FlashState());
  LoadPresetColour(preset);
  SetPresetTitle();
  m_host.ActivePresetChanged(preset);
  SetTriggerSuspended(suspended);
}

void CGrabberDlg::RequestPreset(int preset) {
  std::lock_guard lock(m_presetQueueLock);
  if (m_destroyed) return;
  if (!m_presetQueue) m_presetQueue = std::make_unique<bx::TimerQueue>();
  m_presetQueue->Schedule(0, [this, preset] { ApplyPreset(preset); });
}

// Waits for a preset being applied; those still queued are dropped.
void CGrabberDlg::StopPresetQueue() {
  std::unique_ptr<bx::TimerQueue> queue;
  {
    std::lock_guard lock(m_presetQueueLock);
    queue = std::move(m_presetQueue);
  }
}

// The lifecycle lock comes first: the grab thread takes m_lock without it, and
// the removal thread holds it while it waits for the grab thread.
void CGrabberDlg::SetLiveMode(bool on) {
  const auto lifecycle = LockLifecycle();
  std::lock_guard lock(m_lock);
  if (on == m_liveMode) return;
  if (on) {
    m_discardUntilShot = false;
    m_liveMode = true;
    TryOnCamera("Keeping exposure and gain", [this] { Snapshot(); });
    m_savedFlashState = FlashState();
    SetFlash(false);
    TryOnCamera("Raising the gain for live mode", [this] { MaximiseGain(); });
    SetFreeRunning(true);
  } else {
    SetFreeRunning(false);
    SetFlash(m_savedFlashState);
    TryOnCamera("Restoring exposure and gain", [this] { Restore(); });
    NotifyRebuild();  // the exposure settings came back, the algorithm among them
    m_liveMode = false;
  }
}

void CGrabberDlg::SoftwareShot(bool flag) { Shoot(flag, nullptr, "software"); }

void CGrabberDlg::Shoot(bool flag, const std::function<bool()>& giveUp, const std::string& source) {
  m_feed.Tally().Triggered(source);
  // A set-up page's test shot is no photo: it is taken whatever the service state.
  if (!m_inService && m_captureMode) return IgnoreShot(source);
  std::unique_lock connecting(m_connectLock, std::defer_lock);
  if (!giveUp) {
    connecting.lock();
  } else {
    while (!connecting.try_lock()) {
      if (giveUp()) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  const bool wasLive = m_liveMode;
  if (wasLive) {
    LeaveLiveModeForShot();
    m_frameEvent.Wait(500);
    // Only the shot's own frame may end the second wait; a stale signal
    // would re-enter live mode before that frame arrives and lose it.
    m_frameEvent.Reset();
  }
  m_discardUntilShot = false;
  m_stages->TriggerSent();
  TryOnCamera("Software trigger", [this, flag] {
    if (flag)
      FireOutputs(2);
    else if (!ExecuteSoftwareTrigger())
      TheLog().WriteLine("Software trigger: the camera is not connected or has no software trigger");
  });
  if (wasLive) {
    m_frameEvent.Wait(500);
    SetLiveMode(true);
  }
}

void CGrabberDlg::ShotButton() {
  m_app.m_noTriggerThread = 0;
  RestartTrigger();
  Shoot(false, nullptr, "button");
}

void CGrabberDlg::RestartTrigger() {
  if (m_triggerThread) {
    StopTriggerEngine();
    m_triggerThread = StartTriggerEngine();
  }
}

void CGrabberDlg::OnPageActivated(int page) {
  m_activePage = page;
  switch (page) {
    case ControlPage:
      m_captureMode = true;
      SetTriggerSuspended(false);
      // The video trigger's live preview keeps the camera running free.
      SetFreeRunning(m_liveMode);
      break;
    case GeneralSetupPage:
    case ColorSetupPage:
      m_captureMode = false;
      SetTriggerSuspended(true);
      SetFreeRunning(false);
      break;
    case CameraSetupPage:
      m_captureMode = false;
      SetTriggerSuspended(true);
      SetLiveMode(false);
      break;
    default:
      break;
  }
}

void CGrabberDlg::GetDatabaseSettings(std::string& server, std::string& path, std::string& op,
                                      std::string& file) const {
  std::lock_guard lock(m_stateLock);
  server = m_serverName;
  path = m_databasePath;
  op = m_operatorName;
  file = m_databaseFile;
}

void CGrabberDlg::SetDatabaseSettings(const std::string& server, const std::string& path,
                                      const std::string& op, const std::string& file) {
  {
    std::lock_guard lock(m_stateLock);
    m_serverName = server;
    m_databasePath = path;
    m_operatorName = op;
    m_databaseFile = file;
  }
  m_app.WriteProfileString("Database Settings", "ServerName", server);
  m_app.WriteProfileString("Database Settings", "DatabasePath", path);
  m_app.WriteProfileString("Database Settings", "OperatorName", op);
}

DatabaseSettings CGrabberDlg::GetDatabaseConnection() const {
  return DatabaseSettings::Read(bx::ProfileStore(m_app.ApplicationName()));
}

void CGrabberDlg::SetDatabaseConnection(int databaseType, const std::string& connection) {
  m_app.WriteProfileInt(DatabaseSettings::kSection, "Database Type", databaseType);
  m_app.WriteProfileString(DatabaseSettings::kSection, "ODBC Default Connection", connection);
}

std::string CGrabberDlg::Status() const {
  std::lock_guard lock(m_stateLock);
  return m_status;
}

void CGrabberDlg::SetStatus(const std::string& status) {
  std::lock_guard lock(m_stateLock);
  m_status = status;
}

std::string CGrabberDlg::Title() const {
  std::lock_guard lock(m_stateLock);
  return m_title;
}

void CGrabberDlg::SetTitle(const std::string& title) {
  {
    std::lock_guard lock(m_stateLock);
    m_title = title;
  }
  m_host.SetTitle(title);
}

void CGrabberDlg::SetPresetTitle() {
  char title[256];
  std::snprintf(title, sizeof title, kPresetTitles[m_preset], m_app.m_instance.c_str());
  SetTitle(title);
}

int CGrabberDlg::ReadInt(const char* section, const char* key, int defaultValue) {
  return m_app.GetProfileInt(section, key, defaultValue);
}

std::string CGrabberDlg::ReadString(const char* section, const char* key, const std::string& defaultValue) {
  return m_app.GetProfileString(section, key, defaultValue);
}
