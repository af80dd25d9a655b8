#pragma once
// A video device without hardware: the frames a test feeds are delivered to the
// running consumer on the feeding thread, which stands for the streaming thread.
#include "trigger/video/VideoSource.h"

#include <mutex>

class SimulatedVideoSource final : public IVideoSource {
 public:
  // How many devices the simulated machine has.
  explicit SimulatedVideoSource(int devices = 1) : m_devices(devices) {}

  bool Open(int index, std::string& error) override;
  bool Run(FrameCallback callback, std::string& error) override;
  void Stop() override;
  std::string Properties() const override { return "not available"; }

  // Delivers a copy of the frame; false when nothing is running.
  bool Feed(const VideoFrame& frame);

 private:
  const int m_devices;
  mutable std::mutex m_mutex;
  bool m_open = false;
  FrameCallback m_callback;
};
