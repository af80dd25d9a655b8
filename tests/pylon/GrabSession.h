#pragma once
// Stream grabber set up the way the camera classes use it: buffers of the
// payload size registered, queued and, at the end, drained and released.
#include <gtest/gtest.h>

#include <vector>

#include "pylon/PylonIncludes.h"

class GrabSession {
 public:
  GrabSession(Pylon::IPylonDevice* device, size_t bufferCount) {
    grabber = device->GetStreamGrabber(0);
    EXPECT_NE(grabber, nullptr);
    grabber->Open();
    const int64_t payload = GenApi::CIntegerPtr(device->GetNodeMap()->GetNode("PayloadSize"))->GetValue();
    GenApi::INodeMap* grabberNodes = grabber->GetNodeMap();
    GenApi::CIntegerPtr(grabberNodes->GetNode("MaxBufferSize"))->SetValue(payload);
    GenApi::CIntegerPtr(grabberNodes->GetNode("MaxNumBuffer"))->SetValue(int64_t(bufferCount));
    grabber->PrepareGrab();
    buffers.resize(bufferCount, std::vector<uint8_t>(size_t(payload)));
    for (auto& buffer : buffers) {
      handles.push_back(grabber->RegisterBuffer(buffer.data(), buffer.size()));
      grabber->QueueBuffer(handles.back(), &buffer);
    }
  }

  ~GrabSession() {
    grabber->CancelGrab();
    Pylon::GrabResult result;
    while (grabber->GetWaitObject().Wait(0)) grabber->RetrieveResult(result);
    for (auto handle : handles) grabber->DeregisterBuffer(handle);
    grabber->FinishGrab();
    grabber->Close();
  }

  // The next result, waiting up to timeoutMs on the grabber's wait object.
  bool Next(Pylon::GrabResult& result, unsigned timeoutMs = 5000) {
    return grabber->GetWaitObject().Wait(timeoutMs) && grabber->RetrieveResult(result);
  }

  void Requeue(const Pylon::GrabResult& result) { grabber->QueueBuffer(result.Handle(), result.Context()); }

  Pylon::IStreamGrabber* grabber = nullptr;
  std::vector<std::vector<uint8_t>> buffers;
  std::vector<Pylon::StreamBufferHandle> handles;
};
