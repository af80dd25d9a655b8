#include "tools/bxcam/ConvertedGrab.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <cstdio>
#include <optional>
#include <mutex>
#include <stdexcept>

#include "camera/PylonCamera.h"

namespace bxcam {
namespace {

constexpr auto kFrameTimeout = std::chrono::seconds(5);

// Keeps the frames the grab thread delivers until the command takes them.
class CQueueingCamera : public CPylonCamera {
 public:
  void OnNewImage(IplImage* image, ImageOwnership ownership) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.push_back({image, ownership});
    m_arrived.notify_all();
  }
  ~CQueueingCamera() override {
    ReleaseDevice();
    for (const SConvertedFrame& frame : m_frames) ReleaseImage(frame.image, frame.ownership);
  }
  // The next delivered frame, or none within the time-out.
  std::optional<SConvertedFrame> Next() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_arrived.wait_for(lock, kFrameTimeout, [this] { return !m_frames.empty(); })) return std::nullopt;
    const SConvertedFrame frame = m_frames.front();
    m_frames.pop_front();
    return frame;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_arrived;
  std::deque<SConvertedFrame> m_frames;
};

}  // namespace

bool WritePpm(const IplImage& image, std::ostream& file) {
  file << "P6\n" << image.width << ' ' << image.height << "\n255\n";
  std::vector<char> row(size_t(image.width) * 3);
  for (int y = 0; y < image.height; ++y) {
    const int stored = image.origin == IPL_ORIGIN_BL ? image.height - 1 - y : y;
    const char* pixel = image.imageData + size_t(stored) * size_t(image.widthStep);
    for (int x = 0; x < image.width; ++x, pixel += image.nChannels) {
      row[size_t(x) * 3] = pixel[2];
      row[size_t(x) * 3 + 1] = pixel[1];
      row[size_t(x) * 3 + 2] = pixel[0];
    }
    file.write(row.data(), std::streamsize(row.size()));
  }
  return bool(file);
}

namespace {

void SetSymbol(GenApi::INodeMap& nodes, const char* name, const char* symbol) {
  GenApi::CEnumerationPtr node(nodes.GetNode(name));
  if (node.IsValid() && GenApi::IsWritable(node->GetAccessMode())) node->FromString(symbol);
}

// "PixelFormat" picks the format the camera classes ask for; every other
// feature is written as it stands.
void ApplySettings(CPylonCamera& camera, const Options& options) {
  GenApi::INodeMap& nodes = *camera.GetNodeMap();
  for (const auto& [name, value] : options.settings) {
    GenApi::CValuePtr feature(nodes.GetNode(name));
    if (!feature.IsValid()) throw std::runtime_error("no feature " + name);
    if (name == "PixelFormat") {
      GenApi::CEnumerationPtr format(nodes.GetNode(name));
      GenApi::IEnumEntry* entry = format->GetEntryByName(value);
      if (!entry) throw std::runtime_error("no pixel format " + value);
      camera.SetRequestedPixelType(Pylon::EPixelType(entry->GetValue()));
    } else {
      feature->FromString(value);
    }
  }
}

bool WriteFrame(const SConvertedFrame& frame, const CPylonCamera& camera, const std::string& dir, int index,
                std::ostream& out) {
  if (!frame.image->imageData) {
    out << "frame " << index << ": pixel format " << Pylon::PixelTypeName(camera.GetCameraPixelType())
        << " is not converted\n";
    return false;
  }
  char name[32];
  std::snprintf(name, sizeof name, "frame_%04d.ppm", index);
  const std::filesystem::path path = std::filesystem::path(dir) / name;
  std::ofstream file(path, std::ios::binary);
  if (!WritePpm(*frame.image, file)) {
    out << "frame " << index << ": cannot write " << path.string() << '\n';
    return false;
  }
  out << path.string() << '\n';
  return true;
}

// --aec NAME: the camera runs the named exposure algorithm on every frame.
void ChooseExposureAlgorithm(CPylonCamera& camera, const std::string& name) {
  CPropertyList properties;
  camera.GetProperties(properties);  // binds the exposure nodes
  const auto& algorithms = camera.Algorithms();
  for (size_t i = 0; i < algorithms.size(); ++i)
    if (algorithms[i]->GetName() == name) {
      camera.m_settings.m_type = int(i);
      return;
    }
  throw std::invalid_argument("no exposure algorithm is named '" + name + "'");
}

int64_t Exposure(GenApi::INodeMap& nodes) {
  GenApi::CIntegerPtr exposure(nodes.GetNode("ExposureTimeRaw"));
  return exposure.IsValid() ? exposure->GetValue() : 0;
}

}  // namespace

int GrabConvertedFrames(const Options& options, std::ostream& out) {
  CQueueingCamera camera;
  if (!camera.OpenByIndex(int(options.device)))
    throw std::runtime_error("no camera with index " + std::to_string(options.device));
  camera.SetRequestedPixelType(Pylon::PixelType_BayerBG8);
  camera.SetOutputPixelType(Pylon::PixelType_BGR8packed);
  ApplySettings(camera, options);
  if (!options.aec.empty()) ChooseExposureAlgorithm(camera, options.aec);
  GenApi::INodeMap& nodes = *camera.GetNodeMap();
  SetSymbol(nodes, "TriggerMode", "On");
  SetSymbol(nodes, "TriggerSource", "Software");
  std::filesystem::create_directories(options.outputDir);
  if (!camera.PrepareGrab(2)) throw std::runtime_error("the camera cannot grab");
  GenApi::CCommandPtr trigger(nodes.GetNode("TriggerSoftware"));
  int failures = 0;
  for (int index = 1; index <= options.count; ++index) {
    const int64_t exposureBefore = Exposure(nodes);
    trigger->Execute();
    const std::optional<SConvertedFrame> frame = camera.Next();
    if (!frame) {
      out << "frame " << index << ": no frame within 5 s\n";
      ++failures;
      continue;
    }
    if (!WriteFrame(*frame, camera, options.outputDir, index, out)) ++failures;
    if (!options.aec.empty())
      out << "frame " << index << ": exposure " << exposureBefore << " -> " << Exposure(nodes) << '\n';
    CGenPylonCamera::ReleaseImage(frame->image, frame->ownership);
  }
  camera.StopGrab();
  return failures;
}

}  // namespace bxcam
