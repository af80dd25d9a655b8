#pragma once
// One simulated camera: its feature node map, its input and output lines, its
// trigger logic and the thread that exposes frames into the stream grabber. The
// camera outlives the device objects that open it, as a powered camera outlives
// the programs that connect to it.
#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "pylon/DeviceInfo.h"
#include "pylon/MemoryNodes.h"
#include "pylon/sim/SimFrameCache.h"
#include "pylon/sim/SimScene.h"
#include "pylon/sim/SimStreamGrabber.h"

namespace Pylon {

class CDeviceBase;

struct SSimCameraConfig {
  std::string serial;
  uint32_t sensorWidth = 2448;
  uint32_t sensorHeight = 2048;
  double framesPerSecond = 15.0;
};

class CSimCamera {
 public:
  static constexpr int64_t kNominalExposure = 500;  // ExposureTimeRaw of the scene's patch colours

  explicit CSimCamera(SSimCameraConfig config);
  ~CSimCamera();
  CSimCamera(const CSimCamera&) = delete;
  CSimCamera& operator=(const CSimCamera&) = delete;

  CDeviceInfo Info() const;
  const std::string& Serial() const { return m_config.serial; }

  // Device side.
  void Track(CDeviceBase* device);
  void Untrack(CDeviceBase* device);
  void Open(CDeviceBase* device);  // raises when unplugged or opened by another device
  void Close(CDeviceBase* device);
  GenApi::INodeMap* NodeMap() { return &m_nodes; }
  IStreamGrabber* Grabber() { return &m_grabber; }

  // Test hooks.
  bool IsPlugged() const;
  void Unplug();
  void Replug();
  void SetLineLevel(int inputLine, bool high);  // inputLine 1 or 2
  bool LineLevel(const std::string& line) const;
  unsigned OutputPulses(const std::string& line) const;  // rising edges of Out1/Out2
  void DeliverInvalidFrame();
  void RefuseValue(const std::string& feature, bool refuse);
  void SetPaddingX(uint32_t bytes);
  uint64_t FramesLost() const;  // frames exposed while no buffer was queued

 private:
  using Clock = std::chrono::steady_clock;
  struct PendingLevel {
    Clock::time_point due;
    bool level;
  };
  struct FrameSettings;

  void BuildFeatures();
  void BuildDeviceInformation(GenApi::CMemoryCategory& root);
  void BuildImageFormat(GenApi::CMemoryCategory& root);
  void BuildAcquisition(GenApi::CMemoryCategory& root);
  void BuildAnalog(GenApi::CMemoryCategory& root);
  void BuildLut(GenApi::CMemoryCategory& root);
  void BuildLines(GenApi::CMemoryCategory& root);
  void BuildTransport(GenApi::CMemoryCategory& root);
  void GuardWrites();

  // Called from node hooks, under the node-map lock.
  void OnTriggerSettingsChanged();
  void OnLineSettingsChanged();
  void StartAcquisition();
  void StopAcquisition();
  void SoftwareTrigger();
  GenApi::EAccessMode LockedWhileAcquiring() const;
  int64_t PayloadSize() const;
  int64_t LineStatusAll() const;

  // Under m_mutex.
  void ApplyLineLevel(int input, bool level, Clock::time_point now);
  bool OutputLevel(int output) const;
  void UpdateOutputs();
  void Notify();

  void RunFrames();
  FrameSettings Snapshot();
  void ExposeFrame(const FrameSettings& settings);
  void StopFrameThread();

  SSimCameraConfig m_config;
  std::shared_ptr<const CSimScene> m_scene;  // made by the frame thread for its first frame
  CSimFrameCache m_frameCache;               // used by the frame thread only
  GenApi::CNodeMapBase m_nodes;
  CSimStreamGrabber m_grabber;

  // Features the camera's behaviour reads.
  GenApi::CMemoryEnumeration* m_pixelFormat = nullptr;
  GenApi::CMemoryInteger *m_width = nullptr, *m_height = nullptr;
  GenApi::CMemoryInteger *m_offsetX = nullptr, *m_offsetY = nullptr;
  GenApi::CMemoryInteger* m_exposure = nullptr;
  GenApi::CMemoryInteger* m_gain = nullptr;
  GenApi::CMemoryFloat* m_balance = nullptr;
  GenApi::CMemoryBoolean* m_lutEnable = nullptr;
  GenApi::CMemoryEnumeration* m_acquisitionMode = nullptr;
  GenApi::CMemoryEnumeration *m_triggerMode = nullptr, *m_triggerSource = nullptr;
  GenApi::CMemoryEnumeration* m_triggerActivation = nullptr;
  GenApi::CMemoryFloat* m_triggerDelay = nullptr;
  GenApi::CMemoryEnumeration *m_lineSelector = nullptr, *m_lineSource = nullptr;
  GenApi::CMemoryBoolean* m_lineInverter = nullptr;
  GenApi::CMemoryFloat* m_lineDebouncer = nullptr;
  GenApi::CMemoryEnumeration* m_userOutputSelector = nullptr;
  GenApi::CMemoryInteger* m_userOutputValueAll = nullptr;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::vector<uint16_t> m_lutValues;  // every eighth entry of the 12-bit LUT
  std::set<CDeviceBase*> m_devices;
  CDeviceBase* m_owner = nullptr;
  bool m_plugged = true;
  bool m_acquiring = false;
  bool m_triggerOn = false;
  int64_t m_triggerSourceValue = 0;
  bool m_risingEdge = true;
  double m_triggerDelayUs = 0.0;
  std::array<bool, 2> m_inputLevel{};
  std::array<std::optional<PendingLevel>, 2> m_pendingLevel;
  std::array<double, 2> m_debounceUs{};
  std::array<bool, 4> m_inverted{};
  std::array<int64_t, 2> m_outputSource{};
  std::array<bool, 2> m_outputLevel{};
  std::array<unsigned, 2> m_outputPulses{};
  int64_t m_userOutputs = 0;
  bool m_exposing = false;
  std::deque<Clock::time_point> m_frameTriggers;
  Clock::time_point m_nextFreeRunFrame;
  bool m_invalidNext = false;
  uint32_t m_paddingX = 0;
  std::set<std::string> m_refused;
  uint64_t m_framesLost = 0;
  uint64_t m_blockId = 0;
  bool m_stop = false;
  bool m_dirty = false;
  std::thread m_frameThread;
};

}  // namespace Pylon
