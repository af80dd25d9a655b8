#pragma once
// What every transport's stream grabber shares: the registered buffers and
// their limits ("MaxBufferSize", "MaxNumBuffer"), and the queue of results
// with the wait object that is signalled while results wait to be retrieved.
#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "pylon/MemoryNodes.h"
#include "pylon/StreamGrabber.h"

namespace Pylon {

class CStreamGrabberBase : public IStreamGrabber {
 public:
  StreamBufferHandle RegisterBuffer(void* buffer, size_t bufferSize) override;
  bool RetrieveResult(GrabResult& result) override;
  WaitObject& GetWaitObject() override { return m_waitObject; }
  GenApi::INodeMap* GetNodeMap() override { return &m_nodes; }

 protected:
  struct Buffer {
    void* data;
    size_t size;
    const void* context = nullptr;  // given when the buffer was last queued
    bool inStream = false;          // for transports that track it per buffer
  };

  explicit CStreamGrabberBase(const std::string& deviceName);
  ~CStreamGrabberBase() = default;

  // The remaining members are used with m_mutex held.
  virtual bool IsOpenLocked() const = 0;
  void UpdateSignal();
  // Forgets a buffer whose memory may be freed next, with its waiting results.
  const void* ForgetBuffer(StreamBufferHandle handle);
  // Returns a queued buffer unfilled, as a result with status Canceled.
  void PushCanceled(StreamBufferHandle handle);

  mutable std::mutex m_mutex;
  std::map<StreamBufferHandle, Buffer> m_buffers;
  std::deque<GrabResult> m_output;
  GenApi::CNodeMapBase m_nodes;

 private:
  uintptr_t m_nextHandle = 1;
  WaitObjectEx m_waitObject;
  GenApi::CMemoryInteger* m_maxBufferSize;
  GenApi::CMemoryInteger* m_maxNumBuffer;
};

}  // namespace Pylon
