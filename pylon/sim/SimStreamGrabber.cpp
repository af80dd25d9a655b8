#include "pylon/sim/SimStreamGrabber.h"

#include <algorithm>

#include "pylon/GenericException.h"

namespace Pylon {

CSimStreamGrabber::CSimStreamGrabber(const std::string& deviceName) : CStreamGrabberBase(deviceName) {
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
  UpdateSignal();
}

bool CSimStreamGrabber::IsOpen() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_open;
}

const void* CSimStreamGrabber::DeregisterBuffer(StreamBufferHandle handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  // The memory may be freed next: the buffer must leave every queue now.
  std::erase(m_input, handle);
  return ForgetBuffer(handle);
}

void CSimStreamGrabber::PrepareGrab() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_open) BX_THROW(LogicalErrorException, "The stream grabber is not open");
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
  auto it = m_buffers.find(handle);
  if (it == m_buffers.end()) BX_THROW(InvalidArgumentException, "Unknown buffer handle");
  // Queued, or filled and not yet retrieved.
  const auto pending = [handle](const GrabResult& result) { return result.Handle() == handle; };
  if (std::ranges::find(m_input, handle) != m_input.end() || std::ranges::any_of(m_output, pending))
    BX_THROW(LogicalErrorException, "The buffer is queued already");
  it->second.context = context;
  m_input.push_back(handle);
}

void CSimStreamGrabber::CancelGrab() {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (StreamBufferHandle handle : m_input) PushCanceled(handle);
  m_input.clear();
  UpdateSignal();
}

bool CSimStreamGrabber::Deliver(const Filler& fill) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_prepared || m_input.empty()) return false;
  const StreamBufferHandle handle = m_input.front();
  m_input.pop_front();
  const Buffer& buffer = m_buffers[handle];
  GrabResult result;
  result.m_handle = handle;
  result.m_context = buffer.context;
  result.m_buffer = buffer.data;
  fill(result, static_cast<uint8_t*>(buffer.data), buffer.size);
  m_output.push_back(std::move(result));
  UpdateSignal();
  return true;
}

}  // namespace Pylon
