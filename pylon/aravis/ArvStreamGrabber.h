#pragma once
// Stream grabber over an Aravis stream. Each queued buffer is handed to Aravis as
// a buffer object wrapping the caller's memory; a pump thread moves filled
// buffers into the result queue and signals the wait object.
#include <arv.h>

#include <atomic>
#include <thread>

#include "pylon/StreamGrabberBase.h"

namespace Pylon {

class CArvStreamGrabber : public CStreamGrabberBase {
 public:
  CArvStreamGrabber(ArvCamera* camera, const std::string& deviceName);
  ~CArvStreamGrabber();

  void Open() override;
  void Close() override;
  bool IsOpen() const override;
  const void* DeregisterBuffer(StreamBufferHandle handle) override;
  void PrepareGrab() override;
  void FinishGrab() override;
  void QueueBuffer(StreamBufferHandle handle, const void* context = nullptr) override;
  void CancelGrab() override;

 private:
  bool IsOpenLocked() const override { return m_stream != nullptr; }
  void StartPump();
  void StopPump();
  void Pump();
  void Collect(ArvBuffer* buffer);
  void CancelLocked(bool restartStream);

  ArvCamera* m_camera;
  ArvStream* m_stream = nullptr;
  bool m_streamRunning = false;  // Aravis's receiving thread
  bool m_prepared = false;
  std::atomic<bool> m_pumping{false};
  std::thread m_pump;
};

}  // namespace Pylon
