// The engine's video motion trigger: frames from the station's live preview or
// from a second video device go through the detector; a trigger pulses the
// rise and fall events the trigger thread waits on.
#include "trigger/CExternalTrigger.h"

#include "pixlib/core/CxImage.h"
#include "trigger/video/V4l2VideoSource.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr auto kVideoPulse = std::chrono::milliseconds(10);

VideoFrameView ViewOf(CxImage& image) {
  VideoFrameView view;
  if (!image.IsValid() || image.BitsPerSample() != 8 || image.Height() < 1) return view;
  view.data = image.GetRowPtr(0);
  view.width = image.Width();
  view.height = image.Height();
  view.channels = image.SamplesPerPixel();
  view.stride = image.Height() > 1 ? image.GetRowPtr(1) - image.GetRowPtr(0) : image.GetRowBytes();
  return view;
}

}  // namespace

bool CExternalTrigger::DetectMotion(CxImage* image) {
  return image == nullptr || !ExamineVideoFrame(ViewOf(*image));
}

bool CExternalTrigger::DetectLiveMotion(CxImage& preview) {
  const TriggerSettings settings = GetSettings();
  if (!m_running || m_suspended || settings.EffectiveSource() != SourceVideo || settings.videoDevice != -1)
    return false;
  return !DetectMotion(&preview);
}

void CExternalTrigger::ArmVideo() {
  const TriggerSettings settings = GetSettings();
  if (!m_running || settings.EffectiveSource() != SourceVideo || settings.videoDevice != -1) return;
  {
    std::lock_guard lock(m_videoMutex);
    m_detector.Arm();
  }
  if (m_host) m_host->SetLiveMode(true);
}

bool CExternalTrigger::ExamineVideoFrame(const VideoFrameView& frame) {
  const TriggerSettings settings = GetSettings();
  CMotionDetector::Result result;
  {
    std::lock_guard lock(m_videoMutex);
    result = m_detector.Examine(frame, settings.videoThreshold);
  }
  if (result.triggered) OnVideoMotion(result.motion, settings.videoDevice == -1);
  return result.triggered;
}

// Runs on the grab thread under the station's frame lock: live mode is left
// from the video timer thread, which may take that lock.
void CExternalTrigger::OnVideoMotion(double motion, bool liveCamera) {
  char line[64];
  std::snprintf(line, sizeof line, "Video Motion %.1f", motion);
  Log(line);
  ScheduleVideoWork(0, [this, liveCamera] {
    if (liveCamera && m_host) m_host->SetLiveMode(false);
    PulseVideoEdge();
  });
  if (liveCamera)
    ScheduleVideoWork(static_cast<uint32_t>(std::max(0, GetSettings().minDelayMs)), [this] { ArmVideo(); });
}

void CExternalTrigger::ScheduleVideoWork(uint32_t delayMs, std::function<void()> work) {
  m_videoTimers.Schedule(delayMs, [this, work = std::move(work)] {
    std::lock_guard lock(m_videoWorkMutex);
    if (m_videoActive) work();
  });
}

// The rise stays set until the trigger thread consumes it, so a thread busy
// for longer than the pulse still sees the edge.
void CExternalTrigger::PulseVideoEdge() {
  m_fallEvent.Reset();
  m_riseEvent.Set();
  std::this_thread::sleep_for(kVideoPulse);
  m_fallEvent.Set();
}

void CExternalTrigger::StartVideoDevice(int index) {
  {
    std::lock_guard lock(m_videoWorkMutex);
    m_videoActive = true;
  }
  if (index < 0) return;
  m_videoSource =
      m_services.makeVideoSource ? m_services.makeVideoSource() : std::make_unique<V4l2VideoSource>();
  std::string error;
  const bool running = m_videoSource->Open(index, error) && m_videoSource->Run(
                                                                [this](const VideoFrameView& frame) {
                                                                  if (m_running && !m_suspended)
                                                                    ExamineVideoFrame(frame);
                                                                },
                                                                error);
  if (!running) {
    Log("Video device " + std::to_string(index) + " not started: " + error);
    m_videoSource.reset();
  }
}

void CExternalTrigger::StopVideo() {
  {
    std::lock_guard lock(m_videoWorkMutex);
    m_videoActive = false;
  }
  if (m_videoSource) {
    m_videoSource->Stop();
    m_videoSource.reset();
  }
  std::lock_guard lock(m_videoMutex);
  m_detector.Forget();
}
