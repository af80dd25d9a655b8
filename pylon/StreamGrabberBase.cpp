#include "pylon/StreamGrabberBase.h"

#include <algorithm>

#include "pylon/GenericException.h"

namespace Pylon {

CStreamGrabberBase::CStreamGrabberBase(const std::string& deviceName) : m_nodes(deviceName) {
  m_maxBufferSize =
      &m_nodes.Add<GenApi::CMemoryInteger>("MaxBufferSize", 1, int64_t(1) << 30, int64_t(64) << 20);
  m_maxBufferSize->Describe("Largest buffer that may be registered, in bytes");
  m_maxNumBuffer = &m_nodes.Add<GenApi::CMemoryInteger>("MaxNumBuffer", 1, 1024, 16);
  m_maxNumBuffer->Describe("Largest number of buffers that may be registered");
}

StreamBufferHandle CStreamGrabberBase::RegisterBuffer(void* buffer, size_t bufferSize) {
  const int64_t maxSize = m_maxBufferSize->GetValue();
  const int64_t maxCount = m_maxNumBuffer->GetValue();
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!IsOpenLocked()) BX_THROW(LogicalErrorException, "The stream grabber is not open");
  if (!buffer || bufferSize == 0) BX_THROW(InvalidArgumentException, "Buffer is null or empty");
  if (int64_t(bufferSize) > maxSize)
    BX_THROW(InvalidArgumentException, "Buffer is larger than MaxBufferSize");
  if (int64_t(m_buffers.size()) >= maxCount)
    BX_THROW(RuntimeException, "MaxNumBuffer buffers are registered already");
  const auto handle = reinterpret_cast<StreamBufferHandle>(m_nextHandle++);
  m_buffers[handle] = Buffer{buffer, bufferSize};
  return handle;
}

bool CStreamGrabberBase::RetrieveResult(GrabResult& result) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_output.empty()) return false;
  result = std::move(m_output.front());
  m_output.pop_front();
  UpdateSignal();
  return true;
}

void CStreamGrabberBase::UpdateSignal() {
  if (m_output.empty())
    m_waitObject.Reset();
  else
    m_waitObject.Signal();
}

const void* CStreamGrabberBase::ForgetBuffer(StreamBufferHandle handle) {
  auto it = m_buffers.find(handle);
  if (it == m_buffers.end()) BX_THROW(InvalidArgumentException, "Unknown buffer handle");
  std::erase_if(m_output, [handle](const GrabResult& result) { return result.Handle() == handle; });
  UpdateSignal();
  const void* data = it->second.data;
  m_buffers.erase(it);
  return data;
}

void CStreamGrabberBase::PushCanceled(StreamBufferHandle handle) {
  const Buffer& buffer = m_buffers[handle];
  GrabResult result;
  result.m_status = Canceled;
  result.m_handle = handle;
  result.m_context = buffer.context;
  result.m_buffer = buffer.data;
  m_output.push_back(result);
}

}  // namespace Pylon
