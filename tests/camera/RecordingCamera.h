#pragma once
// A camera that records what it delivers, for tests: a copy of every frame,
// the trace lines and the removal notices.
#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "camera/PylonCamera.h"

struct SDeliveredFrame {
  int width = 0, height = 0, channels = 0, widthStep = 0;
  ImageOwnership ownership = OwnershipKeptByConverter;
  std::vector<uint8_t> pixels;  // empty when the frame carried none

  // B, G, R of the pixel x, y counted from the top of the picture, reading
  // the rows bottom-first as the image's origin says.
  std::array<int, 3> ColourAt(int x, int yFromTop) const {
    const size_t row = size_t(height - 1 - yFromTop);
    const uint8_t* p = pixels.data() + row * size_t(widthStep) + size_t(x) * size_t(channels);
    return {p[0], p[1], p[2]};
  }
};

class CRecordingCamera : public CPylonCamera {
 public:
  using CPylonCamera::CPylonCamera;
  using CPylonCamera::IsTerminationRequested;
  // OnDeviceRemoved and Trace are this class's: a removal still being handled ends first.
  ~CRecordingCamera() override {
    ReleaseDevice();
    WaitForRemovalHandler();
  }

  void OnNewImage(IplImage* image, ImageOwnership ownership) override {
    if (m_holdFrames) m_holdFrames();
    SDeliveredFrame frame{image->width, image->height, image->nChannels, image->widthStep, ownership, {}};
    if (image->imageData && image->origin == IPL_ORIGIN_BL)
      frame.pixels.assign(image->imageData, image->imageData + size_t(image->imageSize));
    CGenPylonCamera::OnNewImage(image, ownership);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.push_back(std::move(frame));
    m_changed.notify_all();
  }

  void OnDeviceRemoved() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_removals;
    m_changed.notify_all();
  }

  void Trace(const char* format, ...) override {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_traces.emplace_back(line);
    m_changed.notify_all();
  }

  // Each waits 10 s at most.
  bool WaitForFrames(size_t count) {
    return WaitUntil([&] { return m_frames.size() >= count; });
  }
  bool WaitForRemovals(int count) {
    return WaitUntil([&] { return m_removals >= count; });
  }
  bool WaitForTrace(const std::string& line) {
    return WaitUntil([&] { return std::count(m_traces.begin(), m_traces.end(), line) > 0; });
  }

  size_t FrameCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames.size();
  }
  SDeliveredFrame Frame(size_t index) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames.at(index);
  }
  int Removals() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_removals;
  }
  size_t TraceCount(const std::string& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return size_t(std::count(m_traces.begin(), m_traces.end(), line));
  }
  size_t TracesStartingWith(const std::string& prefix) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return size_t(std::count_if(m_traces.begin(), m_traces.end(),
                                [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
  }

  // Runs on the grab thread before a frame is recorded.
  std::function<void()> m_holdFrames;

 private:
  bool WaitUntil(const std::function<bool()>& condition) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(10), condition);
  }

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<SDeliveredFrame> m_frames;
  std::vector<std::string> m_traces;
  int m_removals = 0;
};
