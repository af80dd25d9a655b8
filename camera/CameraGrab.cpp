// Grabbing of CGenPylonCamera: buffers, the stream grabber and the grab thread.
#include <algorithm>

#include "camera/GenPylonCamera.h"
#include "platform/ThreadName.h"

using namespace Pylon;

namespace {

constexpr unsigned int kGrabWaitMs = 500;
constexpr int64_t kContinuousAcquisition = 1;
constexpr int64_t kTriggerModeOff = 0;

template <class Node>
Node Lookup(GenApi::INodeMap* map, const char* name) {
  return map ? Node(map->GetNode(name)) : Node();
}

template <class Node, class Value>
void SetIfPresent(GenApi::INodeMap* map, const char* name, Value value) {
  Node node = Lookup<Node>(map, name);
  if (node.IsValid()) node->SetValue(value);
}

}  // namespace

bool CGenPylonCamera::PrepareGrab(int bufferCount) {
  std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
  if (!m_device) return false;
  StopGrab();
  OnPrepareGrab();
  SelectPixelFormat();
  m_streamGrabber = m_device->GetStreamGrabber(0);
  if (!m_streamGrabber) return false;
  m_streamGrabber->Open();
  m_grabberNodeMap = m_streamGrabber->GetNodeMap();

  const int64_t payloadSize = Lookup<GenApi::CIntegerPtr>(m_nodeMap, "PayloadSize")->GetValue();
  SetIfPresent<GenApi::CIntegerPtr>(m_grabberNodeMap, "MaxBufferSize", payloadSize);
  SetIfPresent<GenApi::CIntegerPtr>(m_grabberNodeMap, "MaxNumBuffer", bufferCount);
  SetIfPresent<GenApi::CBooleanPtr>(m_grabberNodeMap, "ThreadPriorityOverride", true);
  SetIfPresent<GenApi::CIntegerPtr>(m_grabberNodeMap, "ThreadPriority", 25);
  m_streamGrabber->PrepareGrab();

  AllocateBuffers(bufferCount, size_t(payloadSize));
  if (m_buffers.empty()) return false;
  if (m_buffers.size() < size_t(bufferCount))
    SetIfPresent<GenApi::CIntegerPtr>(m_grabberNodeMap, "MaxNumBuffer", int64_t(m_buffers.size()));
  StartAcquisition();
  return true;
}

void CGenPylonCamera::AllocateBuffers(int bufferCount, size_t payloadSize) {
  for (int i = 0; i < bufferCount; ++i) {
    auto buffer = std::make_unique<CGrabBuffer>(payloadSize);
    buffer->SetBufferHandle(m_streamGrabber->RegisterBuffer(buffer->GetBufferPointer(), payloadSize));
    m_streamGrabber->QueueBuffer(buffer->GetBufferHandle(), nullptr);
    m_buffers.push_back(std::move(buffer));
  }
}

void CGenPylonCamera::StartAcquisition() {
  m_terminate.Reset();
  m_waitObjects.RemoveAll();
  m_waitObjects.Add(m_terminate);
  m_waitObjects.Add(m_streamGrabber->GetWaitObject());
  m_frameCountdown = m_frameDivider.load();
  m_grabThread = std::thread(&CGenPylonCamera::GrabLoop, this);
  auto acquisitionMode = Lookup<GenApi::CEnumerationPtr>(m_nodeMap, "AcquisitionMode");
  if (acquisitionMode.IsValid()) acquisitionMode->SetIntValue(kContinuousAcquisition);
  auto start = Lookup<GenApi::CCommandPtr>(m_nodeMap, "AcquisitionStart");
  if (start.IsValid()) start->Execute();
  m_acquisitionRunning = true;
}

void CGenPylonCamera::StopGrab() {
  std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
  if (!m_device) return;
  StopAcquisition();
  ReleaseBuffers();
}

// Stops the camera and the grab thread, then drains every result still pending.
void CGenPylonCamera::StopAcquisition() {
  m_acquisitionRunning = false;
  try {
    auto stop = Lookup<GenApi::CCommandPtr>(m_nodeMap, "AcquisitionStop");
    if (stop.IsValid()) stop->Execute();
  } catch (const GenICam::GenericException&) {
    // a camera that refuses to stop is stopped by cancelling the grab below
  }
  m_terminate.Signal();
  if (m_grabThread.joinable()) m_grabThread.join();
  try {
    if (m_streamGrabber) {
      m_streamGrabber->CancelGrab();
      GrabResult result;
      while (m_streamGrabber->GetWaitObject().Wait(0) && m_streamGrabber->RetrieveResult(result)) {
      }
    }
  } catch (const GenICam::GenericException&) {
    // the buffers are released all the same
  }
}

void CGenPylonCamera::ReleaseBuffers() {
  try {
    if (m_streamGrabber) {
      for (const auto& buffer : m_buffers) {
        try {
          m_streamGrabber->DeregisterBuffer(buffer->GetBufferHandle());
        } catch (const GenICam::GenericException&) {
          // go on with the next buffer
        }
      }
      m_buffers.clear();
      m_streamGrabber->FinishGrab();
      m_streamGrabber->Close();
    }
  } catch (const GenICam::GenericException&) {
    // the lists are emptied all the same
  }
  m_streamGrabber = nullptr;
  m_grabberNodeMap = nullptr;
  m_buffers.clear();
  m_waitObjects.RemoveAll();
}

// An SDK failure (a lost device, a refused command) ends the thread quietly, as
// an empty retrieve does; acquisition stays flagged running until StopGrab.
void CGenPylonCamera::GrabLoop() {
  bx::NameThisThread("bx-grab");
  try {
    WaitForFrames();
  } catch (const GenICam::GenericException& error) {
    Trace("Camera grab thread ended: %s\n", error.GetDescription());
  }
}

void CGenPylonCamera::WaitForFrames() {
  for (;;) {
    unsigned int index = 0;
    if (!m_waitObjects.WaitForAny(kGrabWaitMs, &index)) {
      if (!m_acquisitionRunning) return;
      RestartContinuousAcquisition();
      continue;
    }
    if (index == 0) {
      Trace("Camera received a termination request\n");
      return;
    }
    GrabResult result;
    if (!m_streamGrabber || !m_streamGrabber->RetrieveResult(result)) return;
    HandleResult(result);
    if (!m_terminate.Wait(0)) m_streamGrabber->QueueBuffer(result.Handle(), result.Context());
  }
}

// A free-running camera that went quiet is started again.
void CGenPylonCamera::RestartContinuousAcquisition() {
  auto acquisitionMode = Lookup<GenApi::CEnumerationPtr>(m_nodeMap, "AcquisitionMode");
  if (!acquisitionMode.IsValid() || acquisitionMode->GetIntValue() != kContinuousAcquisition) return;
  if (!m_triggerMode.IsValid() || m_triggerMode->GetIntValue() != kTriggerModeOff) return;
  auto start = Lookup<GenApi::CCommandPtr>(m_nodeMap, "AcquisitionStart");
  if (start.IsValid()) start->Execute();
}

void CGenPylonCamera::HandleResult(const GrabResult& result) {
  if (--m_frameCountdown > 0) return;
  if (result.Status() == Grabbed) {
    Trace("Camera got valid frame\n");
    DeliverFrame(result);
  } else {
    Trace("Camera got invalid frame\n");
  }
  m_frameCountdown = m_frameDivider.load();
}

void CGenPylonCamera::DeliverFrame(const GrabResult& result) {
  const int width = result.GetSizeX();
  const int height = result.GetSizeY();
  const int stride = int(BitPerPixel(result.GetPixelType())) * width / 8 + result.GetPaddingX();
  const auto found = std::find_if(m_buffers.begin(), m_buffers.end(), [&](const auto& buffer) {
    return buffer->GetBufferHandle() == result.Handle();
  });
  // A frame that claims more rows than its buffer holds is not converted.
  if (found == m_buffers.end() || width <= 0 || height <= 0 || stride <= 0 ||
      size_t(stride) * size_t(height) > (*found)->GetSize()) {
    Trace("Camera got invalid frame\n");
    return;
  }
  const SConvertedFrame frame =
      m_converter.Convert(width, height, result.GetPixelType(), static_cast<uint8_t*>(result.Buffer()),
                          stride, m_outputPixelType);
  if (!frame.image) return;
  try {
    ProcessImage(frame.image);
  } catch (const GenICam::GenericException& error) {
    Trace("Camera frame processing failed: %s\n", error.GetDescription());
  }
  OnNewImage(frame.image, frame.ownership);
}
