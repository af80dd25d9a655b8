#pragma once
// A V4L2 capture device: mmap streaming on a thread of its own that waits with
// poll on the device and on a stop descriptor. YUYV is preferred, MJPEG is the
// fallback; both become BGR frames.
#include "trigger/video/VideoSource.h"

#include <cstdint>
#include <thread>
#include <vector>

class V4l2VideoSource final : public IVideoSource {
 public:
  explicit V4l2VideoSource(std::string folder = "/dev") : m_folder(std::move(folder)) {}
  ~V4l2VideoSource() override;

  bool Open(int index, std::string& error) override;
  bool Run(FrameCallback callback, std::string& error) override;
  void Stop() override;
  std::string Properties() const override;

  const std::string& Path() const { return m_path; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  // "YUYV" or "MJPG".
  std::string FormatName() const;

 private:
  struct Buffer {
    void* start = nullptr;
    size_t length = 0;
  };

  bool ChooseFormat(std::string& error);
  bool MapBuffers(std::string& error);
  void StreamFrames(const FrameCallback& callback);
  // One dequeued buffer to the callback, then back to the driver; false on a device error.
  bool DeliverOne(const FrameCallback& callback, VideoFrame& frame);
  void Close();

  std::string m_folder;
  std::string m_path;
  int m_fd = -1;
  int m_stopFd = -1;
  uint32_t m_format = 0;
  int m_width = 0;
  int m_height = 0;
  int m_stride = 0;
  std::vector<Buffer> m_buffers;
  std::thread m_thread;
};
