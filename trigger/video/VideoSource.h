#pragma once
// A video capture device that delivers BGR frames on a streaming thread of its
// own. The motion trigger opens one by its position among the capture devices.
#include "trigger/video/VideoFrame.h"

#include <functional>
#include <string>

class IVideoSource {
 public:
  // Called on the streaming thread for every frame; the view is valid during the call.
  using FrameCallback = std::function<void(const VideoFrameView&)>;

  virtual ~IVideoSource() = default;
  // Opens the device at this zero-based position; false with the reason in `error`.
  virtual bool Open(int index, std::string& error) = 0;
  // Starts delivering frames; false with the reason in `error`.
  virtual bool Run(FrameCallback callback, std::string& error) = 0;
  // Stops delivering; no callback runs once it returns.
  virtual void Stop() = 0;
  // What the device offers to adjust, one line each, or "not available".
  virtual std::string Properties() const = 0;
};
