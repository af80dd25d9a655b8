#include "trigger/video/V4l2Devices.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// N of a name "videoN", or nothing.
std::optional<long> VideoNodeNumber(const std::string& name) {
  constexpr std::string_view prefix = "video";
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  const std::string digits = name.substr(prefix.size());
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return std::strtol(digits.c_str(), nullptr, 10);
}

std::optional<V4l2DeviceInfo> QueryCaptureDevice(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  v4l2_capability caps{};
  int result;
  do {
    result = ::ioctl(fd, VIDIOC_QUERYCAP, &caps);
  } while (result < 0 && errno == EINTR);
  ::close(fd);
  if (result < 0) return std::nullopt;
  // device_caps describe this node; capabilities the whole physical device.
  const uint32_t nodeCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
  if (!(nodeCaps & V4L2_CAP_VIDEO_CAPTURE)) return std::nullopt;
  return V4l2DeviceInfo{path, reinterpret_cast<const char*>(caps.card),
                        reinterpret_cast<const char*>(caps.driver)};
}

}  // namespace

std::vector<V4l2DeviceInfo> ListV4l2CaptureDevices(const std::string& folder) {
  std::vector<std::pair<long, std::string>> nodes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (const auto number = VideoNodeNumber(name)) nodes.emplace_back(*number, entry.path().string());
  }
  std::sort(nodes.begin(), nodes.end());
  std::vector<V4l2DeviceInfo> devices;
  for (const auto& [number, path] : nodes) {
    if (auto device = QueryCaptureDevice(path)) devices.push_back(std::move(*device));
  }
  return devices;
}
