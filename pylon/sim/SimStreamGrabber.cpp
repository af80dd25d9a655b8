#include "pylon/sim/SimStreamGrabber.h"

#include <algorithm>

#include "pylon/GenericException.h"

namespace Pylon {

CSimStreamGrabber::CSimStreamGrabber(const std::string& deviceName) : m_nodes(deviceName) {
    m_maxBufferSize = &m_nodes.Add<GenApi::CMemoryInteger>("MaxBufferSize", 1, int64_t(1) << 30,
                                                           int64_t(64) << 20);
    m_maxBufferSize->Describe("Largest buffer that may be registered, in bytes");
    m_maxNumBuffer = &m_nodes.Add<GenApi::CMemoryInteger>("MaxNumBuffer", 1, 1024, 16);
    m_maxNumBuffer->Describe("Largest number of buffers that may be registered");
    m_nodes.Add<GenApi::CMemoryBoolean>("ThreadPriorityOverride", false)
        .Describe("Use ThreadPriority for the grab engine's thread");
    m_nodes.Add<GenApi::CMemoryInteger>("ThreadPriority", 0, 31, 15)
        .Describe("Priority of the grab engine's thread");
}

void CSimStreamGrabber::Open() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_open) BX_THROW(RuntimeException, "The stream grabber is already open");
    m_open = true;
}

void CSimStreamGrabber::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = m_prepared = false;
    m_buffers.clear();
    m_input.clear();
    m_output.clear();
    m_waitObject.Reset();
}

bool CSimStreamGrabber::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open;
}

StreamBufferHandle CSimStreamGrabber::RegisterBuffer(void* buffer, size_t bufferSize) {
    const int64_t maxSize = m_maxBufferSize->GetValue();
    const int64_t maxCount = m_maxNumBuffer->GetValue();
    std::lock_guard<std::mutex> lock(m_mutex);
    CheckOpen();
    if (!buffer || bufferSize == 0) BX_THROW(InvalidArgumentException, "Buffer is null or empty");
    if (int64_t(bufferSize) > maxSize)
        BX_THROW(InvalidArgumentException, "Buffer is larger than MaxBufferSize");
    if (int64_t(m_buffers.size()) >= maxCount)
        BX_THROW(RuntimeException, "MaxNumBuffer buffers are registered already");
    const auto handle = reinterpret_cast<StreamBufferHandle>(m_nextHandle++);
    m_buffers[handle] = Buffer{buffer, bufferSize};
    return handle;
}

const void* CSimStreamGrabber::DeregisterBuffer(StreamBufferHandle handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_buffers.find(handle);
    if (it == m_buffers.end()) BX_THROW(InvalidArgumentException, "Unknown buffer handle");
    // The memory may be freed next: the buffer must leave every queue now.
    std::erase_if(m_input, [handle](const Queued& queued) { return queued.handle == handle; });
    std::erase_if(m_output, [handle](const GrabResult& result) { return result.Handle() == handle; });
    UpdateSignal();
    const void* data = it->second.data;
    m_buffers.erase(it);
    return data;
}

void CSimStreamGrabber::PrepareGrab() {
    std::lock_guard<std::mutex> lock(m_mutex);
    CheckOpen();
    m_prepared = true;
}

void CSimStreamGrabber::FinishGrab() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_prepared = false;
    m_input.clear();
}

void CSimStreamGrabber::QueueBuffer(StreamBufferHandle handle, const void* context) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_prepared) BX_THROW(LogicalErrorException, "QueueBuffer before PrepareGrab");
    if (!m_buffers.count(handle)) BX_THROW(InvalidArgumentException, "Unknown buffer handle");
    const auto queued = [handle](const Queued& entry) { return entry.handle == handle; };
    const auto pending = [handle](const GrabResult& result) { return result.Handle() == handle; };
    if (std::any_of(m_input.begin(), m_input.end(), queued) ||
        std::any_of(m_output.begin(), m_output.end(), pending))
        BX_THROW(LogicalErrorException, "The buffer is queued already");
    m_input.push_back(Queued{handle, context});
}

void CSimStreamGrabber::CancelGrab() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Queued& queued : m_input) {
        GrabResult result;
        result.m_status = Canceled;
        result.m_handle = queued.handle;
        result.m_context = queued.context;
        result.m_buffer = m_buffers[queued.handle].data;
        m_output.push_back(result);
    }
    m_input.clear();
    UpdateSignal();
}

bool CSimStreamGrabber::RetrieveResult(GrabResult& result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_output.empty()) return false;
    result = std::move(m_output.front());
    m_output.pop_front();
    UpdateSignal();
    return true;
}

bool CSimStreamGrabber::Deliver(const Filler& fill) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_prepared || m_input.empty()) return false;
    const Queued queued = m_input.front();
    m_input.pop_front();
    const Buffer& buffer = m_buffers[queued.handle];
    GrabResult result;
    result.m_handle = queued.handle;
    result.m_context = queued.context;
    result.m_buffer = buffer.data;
    fill(result, static_cast<uint8_t*>(buffer.data), buffer.size);
    m_output.push_back(std::move(result));
    UpdateSignal();
    return true;
}

void CSimStreamGrabber::CheckOpen() const {
    if (!m_open) BX_THROW(LogicalErrorException, "The stream grabber is not open");
}

void CSimStreamGrabber::UpdateSignal() {
    if (m_output.empty())
        m_waitObject.Reset();
    else
        m_waitObject.Signal();
}

} // namespace Pylon
