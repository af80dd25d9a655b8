#pragma once
// Stream grabber of a simulated camera. The camera's frame thread fills the
// oldest queued buffer; the caller retrieves results in order.
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "pylon/MemoryNodes.h"
#include "pylon/StreamGrabber.h"

namespace Pylon {

class CSimStreamGrabber : public IStreamGrabber {
public:
    // Fills a result for the given buffer of the given size.
    using Filler = std::function<void(GrabResult& result, uint8_t* buffer, size_t size)>;

    explicit CSimStreamGrabber(const std::string& deviceName);

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

    // Fills the oldest queued buffer; false (the frame is lost) when none is queued.
    bool Deliver(const Filler& fill);

private:
    struct Buffer {
        void* data;
        size_t size;
    };
    struct Queued {
        StreamBufferHandle handle;
        const void* context;
    };
    void CheckOpen() const;
    void UpdateSignal();

    mutable std::mutex m_mutex;
    bool m_open = false;
    bool m_prepared = false;
    uintptr_t m_nextHandle = 1;
    std::map<StreamBufferHandle, Buffer> m_buffers;
    std::deque<Queued> m_input;
    std::deque<GrabResult> m_output;
    WaitObjectEx m_waitObject;
    GenApi::CNodeMapBase m_nodes;
    GenApi::CMemoryInteger* m_maxBufferSize;
    GenApi::CMemoryInteger* m_maxNumBuffer;
};

} // namespace Pylon
