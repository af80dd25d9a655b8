#include "trigger/video/SimulatedVideoSource.h"

bool SimulatedVideoSource::Open(int index, std::string& error) {
  std::lock_guard lock(m_mutex);
  m_open = index >= 0 && index < m_devices;
  if (!m_open) error = "no video capture device at position " + std::to_string(index);
  return m_open;
}

bool SimulatedVideoSource::Run(FrameCallback callback, std::string& error) {
  std::lock_guard lock(m_mutex);
  if (!m_open) {
    error = "the device is not open";
    return false;
  }
  m_callback = std::move(callback);
  return true;
}

void SimulatedVideoSource::Stop() {
  // Taken while a feed delivers: Stop returns after that callback.
  std::lock_guard lock(m_mutex);
  m_callback = nullptr;
}

bool SimulatedVideoSource::Feed(const VideoFrame& frame) {
  std::lock_guard lock(m_mutex);
  if (!m_callback) return false;
  VideoFrame copy = frame;
  m_callback(copy.View());
  return true;
}
