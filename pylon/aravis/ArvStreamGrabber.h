#pragma once
// Stream grabber over an Aravis stream. Each queued buffer is handed to Aravis as
// a buffer object wrapping the caller's memory; a pump thread moves filled
// buffers into the result queue and signals the wait object.
#include <arv.h>

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "pylon/MemoryNodes.h"
#include "pylon/StreamGrabber.h"

namespace Pylon {

class CArvStreamGrabber : public IStreamGrabber {
public:
    CArvStreamGrabber(ArvCamera* camera, const std::string& deviceName);
    ~CArvStreamGrabber();

    void Open() override;
    void Close() override;
    bool IsOpen() const override;
    StreamBufferHandle RegisterBuffer(void* buffer, size_t bufferSize) override;
    const void* DeregisterBuffer(StreamBufferHandle handle) override;
    void PrepareGrab() override;
    void FinishGrab() override;
    void QueueBuffer(StreamBufferHandle handle, const void* context = nullptr) override;
    void CancelGrab() override;
    bool RetrieveResult(GrabResult& result) override;
    WaitObject& GetWaitObject() override { return m_waitObject; }
    GenApi::INodeMap* GetNodeMap() override { return &m_nodes; }

private:
    struct Buffer {
        void* data;
        size_t size;
        const void* context = nullptr;
        bool inStream = false;
    };
    void StartPump();
    void StopPump();
    void Pump();
    void Collect(ArvBuffer* buffer);
    void CancelLocked(bool restartStream);
    void UpdateSignal();

    ArvCamera* m_camera;
    ArvStream* m_stream = nullptr;
    bool m_streamRunning = false; // Aravis's receiving thread
    mutable std::mutex m_mutex;
    bool m_prepared = false;
    uintptr_t m_nextHandle = 1;
    std::map<StreamBufferHandle, Buffer> m_buffers;
    std::deque<GrabResult> m_output;
    WaitObjectEx m_waitObject;
    std::atomic<bool> m_pumping{false};
    std::thread m_pump;
    GenApi::CNodeMapBase m_nodes;
    GenApi::CMemoryInteger* m_maxBufferSize;
    GenApi::CMemoryInteger* m_maxNumBuffer;
};

} // namespace Pylon
