// The station as its HTTP service sees it: the state it publishes, the shots,
// presets and service state the service asks for, and the service's start and stop.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "app/station/IStationHost.h"
#include "app/station/StationRemoteHost.h"
#include "platform/LogTrace.h"
#include "platform/ProfileStore.h"
#include "remote/RemoteService.h"
#include "remote/RemoteSettings.h"

#include <array>

namespace {

constexpr std::array<const char*, 3> kPresetNames = {"Normal", "Low Light", "High Light"};

// Taken when the program loads: the process's start for uptime and metrics.
const auto kProgramStart = std::chrono::steady_clock::now();
const auto kProgramStartTime = std::chrono::system_clock::now();

void Log(const std::string& line) { TheLog().WriteLine(line); }

}  // namespace

void CGrabberDlg::StartRemoteService() {
  const remote::RemoteSettings settings =
      remote::RemoteSettings::Read(bx::ProfileStore(m_app.ApplicationName()), m_app.m_instance);
  m_remoteHost = std::make_unique<StationRemoteHost>(*this);
  m_remoteService = std::make_unique<remote::RemoteService>(*m_remoteHost, m_feed, settings, Log);
  if (!m_remoteService->Start()) m_remoteService.reset();
}

void CGrabberDlg::StopRemoteService() { m_remoteService.reset(); }

int CGrabberDlg::RemotePort() const { return m_remoteService ? m_remoteService->Port() : 0; }

remote::StationSnapshot CGrabberDlg::RemoteSnapshot() const {
  remote::StationSnapshot s;
  const StationStatus operating = OperatingStatus();
  s.state = operating.word;
  s.reason = operating.reason;
  s.status = operating.state == StationStatus::State::Ok || operating.state == StationStatus::State::Idle
                 ? "Ok"
                 : "Ko";
  s.inService = m_inService;
  s.cameraConnected = m_cameraConnected;
  s.liveMode = m_liveMode;
  s.preset = m_preset;
  s.presetName = kPresetNames.at(static_cast<std::size_t>(s.preset));
  {
    std::lock_guard lock(m_stateLock);
    s.serviceReason = m_serviceReason;
    s.cameraModel = m_cameraModel;
    s.cameraSerial = m_cameraSerial;
    s.cameraTransport = m_cameraTransport;
    s.operatorName = m_operatorName;
    s.lastPhotoFile = m_lastPhotoPath;
    s.lastPhotoPath = remote::PathBelowRoot(m_lastPhotoPath, m_databasePath);
    s.lastCounter = m_lastPhotoCounter;
    if (!m_lastPhotoPath.empty())
      s.lastPhotoSavedAt =
          std::chrono::duration_cast<std::chrono::seconds>(m_lastPhotoSavedAt.time_since_epoch()).count();
  }
  s.filmNumber = CPhotoNumbering::FilmNumberOf(std::chrono::system_clock::now());
  s.recordsWaiting = m_recordsWaiting;
  m_feed.Tally().Fill(s);
  s.triggerSource = TriggerSourceName();
  s.uptimeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - kProgramStart).count();
  s.startTime =
      std::chrono::duration_cast<std::chrono::seconds>(kProgramStartTime.time_since_epoch()).count();
  s.version = BX_VERSION;
  s.instance = m_app.m_instance;
  return s;
}

std::string CGrabberDlg::TriggerSourceName() const {
  switch (m_trigger->GetSettings().EffectiveSource()) {
    case SourceNamedEvents:
      return "event";
    case SourceCameraLine:
      return "line";
    case SourceVideo:
      return "video";
    default:
      return "serial";
  }
}

std::string CGrabberDlg::RemoteShot() {
  if (m_inService && !m_cameraConnected) return "no camera is connected: " + CurrentStatus().reason;
  if (!m_inService) {
    m_feed.Tally().Triggered("api");
    IgnoreShot("api");
    std::lock_guard lock(m_stateLock);
    return "the station is out of service" + (m_serviceReason.empty() ? "" : ": " + m_serviceReason);
  }
  m_app.m_noTriggerThread = 0;
  RestartTrigger();
  Shoot(false, nullptr, "api");
  return "";
}

void CGrabberDlg::IgnoreShot(const std::string& source) {
  m_feed.Tally().TriggerIgnored();
  std::string reason;
  {
    std::lock_guard lock(m_stateLock);
    reason = m_serviceReason;
  }
  TheLog().WriteLine("Shot ignored (" + source + "): the station is out of service" +
                     (reason.empty() ? "" : ": " + reason));
}

void CGrabberDlg::SetInService(bool inService, const std::string& reason) {
  const std::string why = inService ? "" : reason;
  {
    std::lock_guard lock(m_stateLock);
    m_serviceReason = why;
    m_inService = inService;
  }
  bx::ProfileStore profile(m_app.ApplicationName());
  if (!remote::RemoteSettings::StoreService(profile, inService, why))
    TheLog().WriteLine("The service state could not be kept in " + profile.FilePath() +
                       ": it is lost at the next start");
  TheLog().WriteLine(inService ? std::string("Back in service") : "Out of service: " + why);
  m_feed.ServiceChanged(inService, why);
  m_host.RefreshPages();
}
