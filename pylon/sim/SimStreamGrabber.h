#pragma once
// Stream grabber of a simulated camera. The camera's frame thread fills the
// oldest queued buffer; the caller retrieves results in order.
#include <deque>
#include <functional>

#include "pylon/StreamGrabberBase.h"

namespace Pylon {

class CSimStreamGrabber : public CStreamGrabberBase {
 public:
  // Fills a result for the given buffer of the given size.
  using Filler = std::function<void(GrabResult& result, uint8_t* buffer, size_t size)>;

  explicit CSimStreamGrabber(const std::string& deviceName);

  void Open() override;
  void Close() override;
  bool IsOpen() const override;
  const void* DeregisterBuffer(StreamBufferHandle handle) override;
  void PrepareGrab() override;
  void FinishGrab() override;
  void QueueBuffer(StreamBufferHandle handle, const void* context = nullptr) override;
  void CancelGrab() override;

  // Fills the oldest queued buffer; false (the frame is lost) when none is queued.
  bool Deliver(const Filler& fill);

 private:
  bool IsOpenLocked() const override { return m_open; }

  bool m_open = false;
  bool m_prepared = false;
  std::deque<StreamBufferHandle> m_input;  // queued buffers, oldest first
};

}  // namespace Pylon
