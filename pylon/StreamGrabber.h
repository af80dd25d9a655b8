#pragma once
// A device's stream channel: buffers are registered, queued, filled and retrieved.
// The wait object is signalled while results are waiting to be retrieved.
#include <cstddef>

#include "pylon/GenApiNodes.h"
#include "pylon/GrabResult.h"
#include "pylon/WaitObject.h"

namespace Pylon {

class IStreamGrabber {
 public:
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual StreamBufferHandle RegisterBuffer(void* buffer, size_t bufferSize) = 0;
  virtual const void* DeregisterBuffer(StreamBufferHandle handle) = 0;  // returns the buffer
  virtual void PrepareGrab() = 0;
  virtual void FinishGrab() = 0;
  virtual void QueueBuffer(StreamBufferHandle handle, const void* context = nullptr) = 0;
  // Every queued buffer comes back as a result with status Canceled.
  virtual void CancelGrab() = 0;
  virtual bool RetrieveResult(GrabResult& result) = 0;
  virtual WaitObject& GetWaitObject() = 0;
  // "MaxBufferSize", "MaxNumBuffer", "ThreadPriorityOverride", "ThreadPriority".
  virtual GenApi::INodeMap* GetNodeMap() = 0;

 protected:
  ~IStreamGrabber() = default;
};

}  // namespace Pylon
