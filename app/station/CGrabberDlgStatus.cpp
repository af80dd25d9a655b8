// What the station says about itself: the control page's status and the
// headless status lines, and what the host is told of each captured photo.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "app/station/ShotStages.h"
#include "camera/CameraTransport.h"
#include "platform/ProfileStore.h"

// Out of service is said first: whoever put the station out wants to see it.
StationStatus CGrabberDlg::CurrentStatus() const {
  if (!m_inService) {
    std::lock_guard lock(m_stateLock);
    return {StationStatus::State::OutOfService, "Out of service", m_serviceReason};
  }
  return OperatingStatus();
}

// A lost camera comes first: nothing else can be done until it is back. A photo
// that was not saved comes before records that wait, which are safe in the journal.
StationStatus CGrabberDlg::OperatingStatus() const {
  using State = StationStatus::State;
  if (IsReconnecting()) return {State::NoCamera, "No camera", NoCameraReason()};
  if (!m_cameraConnected)
    return {State::Stopped, "Stopped",
            "The camera is open but not grabbing: \"Grabbing\" is off, or acquisition could not start "
            "(see the log)"};
  if (std::string problem = SaveProblem(); !problem.empty())
    return {State::NotSaved, "Ko", std::move(problem)};
  if (const std::size_t waiting = m_recordsWaiting; waiting > 0) {
    return {State::RecordsWaiting, "Records waiting",
            std::to_string(waiting) + (waiting == 1 ? " photo record waits" : " photo records wait") +
                " for the database; the photos are saved and the records are kept in " +
                m_recordWriter.Path()};
  }
  const std::string status = Status();
  if (status == "Ok") return {State::Ok, status, ""};
  if (status == "Ko") return {State::NotSaved, status, "a frame was dropped (see the log)"};
  return {State::Idle, status, "Ready: waiting for a shot"};
}

std::string CGrabberDlg::NoCameraReason() const {
  bx::ProfileStore profile(m_app.ApplicationName());
  return "No camera connected on transport \"" + ConfiguredCameraTransport(profile) +
         "\" (\"Camera Transport\" of \"Camera Settings\": aravis or sim); trying again every " +
         (m_reconnectPeriodMs % 1000 == 0 ? std::to_string(m_reconnectPeriodMs / 1000) + " s"
                                          : std::to_string(m_reconnectPeriodMs) + " ms");
}

ShownImage CGrabberDlg::DescribeCapture(bool saved) const {
  std::lock_guard lock(m_stateLock);
  if (saved) return {ShownImage::Kind::SavedPhoto, m_lastPhotoPath, m_lastPhotoCounter, ""};
  return {ShownImage::Kind::UnsavedPhoto, "", 0, m_saveProblem};
}

ShotStages CGrabberDlg::LastShotStages() const { return m_stages->LastSaved(); }

int CGrabberDlg::LastPhotoCounter() const {
  std::lock_guard lock(m_stateLock);
  return m_lastPhotoCounter;
}
