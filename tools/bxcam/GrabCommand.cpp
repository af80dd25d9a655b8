#include "tools/bxcam/GrabCommand.h"

#include <memory>
#include <vector>

#include "tools/bxcam/ExposureControl.h"
#include "tools/bxcam/FrameWriter.h"

namespace bxcam {
namespace {

constexpr unsigned kFrameTimeoutMs = 5000;

void SetIfPresent(GenApi::INodeMap& nodes, const char* name, const char* value) {
  GenApi::CValuePtr node(nodes.GetNode(name));
  if (node && GenApi::IsWritable(node->GetAccessMode())) node->FromString(value);
}

void ExecuteIfPresent(GenApi::INodeMap& nodes, const char* name) {
  GenApi::CCommandPtr command(nodes.GetNode(name));
  if (command) command->Execute();
}

// Buffers registered and queued on stream grabber 0 for the life of the object.
class Stream {
 public:
  Stream(Pylon::IPylonDevice& device, int64_t payload) : m_grabber(device.GetStreamGrabber(0)) {
    if (!m_grabber) throw GenICam::RuntimeException("the camera has no stream", __FILE__, __LINE__);
    m_grabber->Open();
    GenApi::INodeMap& nodes = *m_grabber->GetNodeMap();
    GenApi::CIntegerPtr(nodes.GetNode("MaxBufferSize"))->SetValue(payload);
    GenApi::CIntegerPtr(nodes.GetNode("MaxNumBuffer"))->SetValue(2);
    m_grabber->PrepareGrab();
    m_buffers.assign(2, std::vector<uint8_t>(size_t(payload)));
    for (auto& buffer : m_buffers) {
      m_handles.push_back(m_grabber->RegisterBuffer(buffer.data(), buffer.size()));
      m_grabber->QueueBuffer(m_handles.back());
    }
  }
  ~Stream() {
    m_grabber->CancelGrab();
    Pylon::GrabResult result;
    while (m_grabber->GetWaitObject().Wait(0) && m_grabber->RetrieveResult(result)) {
    }
    for (auto handle : m_handles) m_grabber->DeregisterBuffer(handle);
    m_grabber->FinishGrab();
    m_grabber->Close();
  }
  bool Next(Pylon::GrabResult& result) {
    return m_grabber->GetWaitObject().Wait(kFrameTimeoutMs) && m_grabber->RetrieveResult(result);
  }
  void Requeue(const Pylon::GrabResult& result) { m_grabber->QueueBuffer(result.Handle()); }

 private:
  Pylon::IStreamGrabber* m_grabber;
  std::vector<std::vector<uint8_t>> m_buffers;
  std::vector<Pylon::StreamBufferHandle> m_handles;
};

}  // namespace

int GrabFrames(CameraSession& session, const Options& options, std::ostream& out) {
  GenApi::INodeMap& nodes = session.Nodes();
  for (const auto& [name, value] : options.settings)
    GenApi::CValuePtr(&session.Feature(name))->FromString(value);
  SetIfPresent(nodes, "TriggerMode", "On");
  SetIfPresent(nodes, "TriggerSource", "Software");
  SetIfPresent(nodes, "AcquisitionMode", "Continuous");
  std::filesystem::create_directories(options.outputDir);
  const int64_t payload = GenApi::CIntegerPtr(nodes.GetNode("PayloadSize"))->GetValue();
  Stream stream(session.Device(), payload);
  std::unique_ptr<GrabExposureControl> exposureControl;
  if (!options.aec.empty()) exposureControl = std::make_unique<GrabExposureControl>(options.aec, nodes);
  ExecuteIfPresent(nodes, "AcquisitionStart");
  int failures = 0;
  for (int index = 1; index <= options.count; ++index) {
    GenApi::CCommandPtr(nodes.GetNode("TriggerSoftware"))->Execute();
    Pylon::GrabResult result;
    if (!stream.Next(result)) {
      out << "frame " << index << ": no frame within " << kFrameTimeoutMs << " ms\n";
      ++failures;
      continue;
    }
    if (result.Succeeded()) {
      out << WriteFrame(result, options.outputDir, index, options.raw).string() << '\n';
      if (exposureControl) exposureControl->Process(result, index, out);
    } else {
      out << "frame " << index << ": " << result.GetErrorDescription() << '\n';
      ++failures;
    }
    stream.Requeue(result);
  }
  ExecuteIfPresent(nodes, "AcquisitionStop");
  return failures;
}

}  // namespace bxcam
