#pragma once
// The machine's V4L2 video capture devices in position order: /dev/videoN by
// N, only nodes that capture video (a UVC camera's metadata node is skipped).
#include <string>
#include <vector>

struct V4l2DeviceInfo {
  std::string path;
  std::string card;  // the device's own name
  std::string driver;
};

std::vector<V4l2DeviceInfo> ListV4l2CaptureDevices(const std::string& folder = "/dev");
