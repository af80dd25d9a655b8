#include "tools/bxcam/VideoCommands.h"

#include "tools/bxcam/ConvertedGrab.h"
#include "trigger/video/V4l2Devices.h"
#include "trigger/video/V4l2VideoSource.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace bxcam {
namespace {

constexpr auto kFrameTimeout = std::chrono::seconds(5);

void ListVideoDevices(std::ostream& out) {
  const std::vector<V4l2DeviceInfo> devices = ListV4l2CaptureDevices();
  for (size_t i = 0; i < devices.size(); ++i)
    out << i << '\t' << devices[i].path << '\t' << devices[i].card << '\t' << devices[i].driver << '\n';
  if (devices.empty()) out << "no video capture devices\n";
}

bool WriteVideoFrame(const VideoFrameView& frame, const std::filesystem::path& path) {
  IplImage header{};
  header.nChannels = 3;
  header.depth = IPL_DEPTH_8U;
  header.origin = IPL_ORIGIN_TL;
  header.width = frame.width;
  header.height = frame.height;
  header.widthStep = int(frame.stride);
  header.imageData = reinterpret_cast<char*>(frame.data);
  std::ofstream file(path, std::ios::binary);
  return WritePpm(header, file);
}

// Writes the first `count` frames the device streams; the number written.
int GrabVideoFrames(V4l2VideoSource& source, const Options& options, std::ostream& out, std::string& error) {
  std::mutex mutex;
  std::condition_variable done;
  int written = 0;
  int seen = 0;
  const auto callback = [&](const VideoFrameView& frame) {
    std::lock_guard lock(mutex);
    if (seen >= options.count) return;
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04d.ppm", seen++);
    const std::filesystem::path path = std::filesystem::path(options.outputDir) / name;
    if (WriteVideoFrame(frame, path)) {
      ++written;
      out << path.string() << '\n';
    }
    done.notify_all();
  };
  if (!source.Run(callback, error)) return 0;
  {
    std::unique_lock lock(mutex);
    if (!done.wait_for(lock, kFrameTimeout * options.count, [&] { return seen >= options.count; }))
      error = "the device delivered " + std::to_string(seen) + " of " + std::to_string(options.count) +
              " frames in time";
  }
  source.Stop();
  return written;
}

}  // namespace

int RunVideoCommand(const Options& options, std::ostream& out, std::ostream& err) {
  if (options.arguments[0] == "list") {
    ListVideoDevices(out);
    return 0;
  }
  V4l2VideoSource source;
  std::string error;
  if (!source.Open(int(options.device), error)) {
    err << "bxcam: " << error << '\n';
    return 1;
  }
  out << source.Path() << ": " << source.Width() << "x" << source.Height() << " " << source.FormatName()
      << '\n';
  if (options.arguments[0] == "controls") {
    const std::string controls = source.Properties();
    out << controls << (controls.ends_with('\n') ? "" : "\n");
    return 0;
  }
  std::error_code made;
  std::filesystem::create_directories(options.outputDir, made);
  const int written = GrabVideoFrames(source, options, out, error);
  if (!error.empty()) err << "bxcam: " << error << '\n';
  return written == options.count ? 0 : 1;
}

}  // namespace bxcam
