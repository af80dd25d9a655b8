#pragma once
// The trigger engine: a thread that waits for the edges of the selected trigger
// source (the serial port's DSR line, the named events, the camera's input line
// or the video detector's events) and hands them to the decisions, which shoot
// through the virtual Fire. The device operations are virtual so that the
// camera-bound engine (CPylonTrigger) can act on the camera.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/Event.h"
#include "platform/NamedEvent.h"
#include "trigger/ITriggerHost.h"
#include "trigger/SoundPlayer.h"
#include "trigger/TriggerDecision.h"
#include "trigger/TriggerSettings.h"
#include "trigger/TriggerTiming.h"
#include "trigger/video/MotionDetector.h"
#include "trigger/video/VideoSource.h"

class CxImage;

namespace bx {
class ProfileStore;
class SerialPort;
}  // namespace bx

// Everything the engine reaches outside itself; null members take the real thing.
struct TriggerServices {
  std::function<void(const std::string&)> log;
  // An exception escaped the trigger thread or a delayed shot.
  std::function<void()> restartProgram;
  // Called at every Start: the external library's "PreTrigger", or empty.
  std::function<CTriggerDecision::PreTriggerHook()> loadPreTrigger;
  ITriggerClock* clock = nullptr;
  IShotScheduler* scheduler = nullptr;
  ISoundPlayer* sound = nullptr;
  // The second video source of the motion trigger; empty takes V4L2.
  std::function<std::unique_ptr<IVideoSource>()> makeVideoSource;
  std::string riseEventName = "BXRiseEvent";
  std::string fallEventName = "BXFallEvent";
};

class CExternalTrigger : private ITriggerActions {
 public:
  CExternalTrigger(bx::ProfileStore& profile, TriggerServices services);
  ~CExternalTrigger() override;
  CExternalTrigger(const CExternalTrigger&) = delete;
  CExternalTrigger& operator=(const CExternalTrigger&) = delete;

  // The device operations; the engine's own do nothing.
  virtual void Fire() {}
  virtual bool ConfigureLine(bool /*enable*/, bool /*risingEdge*/, const char* /*line*/) { return true; }
  virtual void SetDebouncer(double /*microseconds*/, const char* /*line*/) {}
  virtual void SetTriggerDelay(double /*microseconds*/) {}
  virtual bool ReadLine() { return false; }

  void Bind(bx::SerialPort* port, ITriggerHost* host);
  void LoadSettings();
  bool SaveSettings();
  // Stores, applies to the camera, saves when asked, and restarts a running
  // engine when the source changed.
  void SetSettings(const TriggerSettings& settings, bool save);
  TriggerSettings GetSettings() const;

  bool Start();
  // Ends the thread and every pending or chained shot; waits for shots in flight.
  void Stop();
  bool IsRunning() const { return m_running; }
  // True from the moment Stop is asked until the next Start (and before the first).
  bool IsStopping() const { return m_stop.IsSet(); }
  bool IsSuspended() const { return m_suspended; }
  void SetSuspended(bool suspended) { m_suspended = suspended; }
  void PlaySound() override;
  int NextDelay() { return m_decision.NextDelay(); }

  // The motion test on one frame: true when the frame shows no trigger (the
  // caller may display it), false when it triggered. The frame's colour
  // channels are replaced by the difference to the previous frame.
  bool DetectMotion(CxImage* image);
  // The station's live preview: tested only while the engine follows the
  // camera's own frames (source 3, device -1) and is not suspended. True
  // when it triggered.
  bool DetectLiveMotion(CxImage& preview);
  // For the camera's own frames: the next frames only arm, and live mode starts.
  void ArmVideo();

  // The edge logic, for callers that deliver edges themselves.
  CTriggerDecision& Decision() { return m_decision; }

 protected:
  ITriggerHost* Host() const { return m_host; }
  int Mode() const;
  void Log(const std::string& line) override;
  // "SoundName" alone, read without copying the other settings (the shot waits for it).
  std::string SoundName() const;

 private:
  void Shoot() override { Fire(); }
  void Fail(const std::string& what) override;
  void ConfigureCamera();
  void StopLocked();
  void ThreadMain();
  void RunEdgeLoop();
  // One edge of the selected source: the new level, or nothing (stopped, no edge).
  std::optional<bool> WaitEdge(int source, bool level);
  std::optional<bool> WaitSerialEdge(bool level);
  std::optional<bool> WaitNamedEdge(bool level);
  std::optional<bool> WaitLineEdge();
  // Lets other programs follow the trigger signal of sources 0 and 2.
  void MirrorLevel(bool high);
  bool StopRequestedWithin(uint32_t ms) { return m_stop.Wait(ms); }
  // The video side: the second device, the detector, and the pulse a trigger sends.
  void StartVideoDevice(int index);
  void StopVideo();
  bool ExamineVideoFrame(const VideoFrameView& frame);
  void OnVideoMotion(double motion, bool liveCamera);
  void ScheduleVideoWork(uint32_t delayMs, std::function<void()> work);
  void PulseVideoEdge();

  bx::ProfileStore& m_profile;
  TriggerServices m_services;
  std::unique_ptr<ITriggerClock> m_ownClock;
  std::unique_ptr<TimerQueueShotScheduler> m_ownScheduler;
  std::unique_ptr<AlsaSoundPlayer> m_ownSound;
  bx::SerialPort* m_port = nullptr;
  ITriggerHost* m_host = nullptr;
  bx::NamedEvent m_riseEvent;
  bx::NamedEvent m_fallEvent;

  mutable std::mutex m_settingsMutex;
  TriggerSettings m_settings;
  CTriggerDecision m_decision;

  std::mutex m_startStop;  // Start and Stop come from the pages and the reconnect thread
  bx::Event m_stop{bx::Event::ResetMode::Manual, true};
  std::thread m_thread;
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_suspended{false};
  bool m_lineState = false;
  bool m_startLevel = false;

  // The detector runs on the grab or streaming thread; Stop drops its reference.
  std::mutex m_videoMutex;
  CMotionDetector m_detector;
  std::unique_ptr<IVideoSource> m_videoSource;
  // Held while a video timer runs, so that Stop waits for it and none runs after.
  std::mutex m_videoWorkMutex;
  bool m_videoActive = false;
  // Last: its thread ends before anything its callbacks reach.
  bx::TimerQueue m_videoTimers;
};
