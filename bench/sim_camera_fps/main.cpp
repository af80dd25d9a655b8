// Frames per second a free-running simulated 2448 x 2048 BayerBG8 camera delivers
// (rendering plus delivery through the stream grabber) with the whole process on
// one core, against the 30 fps goal and, as a same-run reference, a plain copy of
// the frame buffer.
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "pylon/PylonIncludes.h"
#include "pylon/sim/Simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kWidth = 2448, kHeight = 2048;
constexpr int kRounds = 5;
constexpr int kFramesPerRound = 60;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void PinToOneCore() {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(0, &set);
  if (sched_setaffinity(0, sizeof set, &set) != 0) std::perror("sched_setaffinity");
}

double CopyRate(std::vector<uint8_t>& source) {
  std::vector<uint8_t> target(source.size());
  const auto start = Clock::now();
  for (int i = 0; i < kFramesPerRound; ++i) {
    source[size_t(i)] = uint8_t(i);
    std::memcpy(target.data(), source.data(), source.size());
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return target[1] == source[1] ? kFramesPerRound / seconds : 0.0;
}

}  // namespace

int main() {
  PinToOneCore();
  Pylon::PylonAutoInitTerm sdk;
  auto& factory = Pylon::CTlFactory::GetInstance();
  factory.SelectTransport("sim");
  Pylon::SSimulatorConfig config;
  config.framesPerSecond = 100000.0;  // as fast as the camera can render
  config.sensorWidth = kWidth;
  config.sensorHeight = kHeight;
  factory.Simulator().Configure(config);
  Pylon::DeviceInfoList devices;
  factory.EnumerateDevices(devices);
  Pylon::IPylonDevice* device = factory.CreateDevice(devices.at(0));
  device->Open();
  GenApi::INodeMap& nodes = *device->GetNodeMap();
  GenApi::CEnumerationPtr(nodes.GetNode("PixelFormat"))->FromString("BayerBG8");
  GenApi::CEnumerationPtr(nodes.GetNode("TriggerMode"))->FromString("Off");
  const int64_t payload = GenApi::CIntegerPtr(nodes.GetNode("PayloadSize"))->GetValue();

  Pylon::IStreamGrabber* grabber = device->GetStreamGrabber(0);
  grabber->Open();
  GenApi::CIntegerPtr(grabber->GetNodeMap()->GetNode("MaxBufferSize"))->SetValue(payload);
  GenApi::CIntegerPtr(grabber->GetNodeMap()->GetNode("MaxNumBuffer"))->SetValue(4);
  grabber->PrepareGrab();
  std::vector<std::vector<uint8_t>> buffers(4, std::vector<uint8_t>(size_t(payload)));
  std::vector<Pylon::StreamBufferHandle> handles;
  for (auto& buffer : buffers) {
    handles.push_back(grabber->RegisterBuffer(buffer.data(), buffer.size()));
    grabber->QueueBuffer(handles.back());
  }
  GenApi::CCommandPtr(nodes.GetNode("AcquisitionStart"))->Execute();

  auto grabFrames = [&](int count) {
    Pylon::GrabResult result;
    for (int i = 0; i < count; ++i) {
      if (!grabber->GetWaitObject().Wait(10000) || !grabber->RetrieveResult(result) || !result.Succeeded()) {
        std::fprintf(stderr, "frame %d was not grabbed\n", i);
        return false;
      }
      grabber->QueueBuffer(result.Handle());
    }
    return true;
  };
  if (!grabFrames(4)) return 1;  // the scene is computed with the first frame

  std::vector<double> cameraRates, copyRates;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = Clock::now();
    if (!grabFrames(kFramesPerRound)) return 1;
    cameraRates.push_back(kFramesPerRound / std::chrono::duration<double>(Clock::now() - start).count());
    copyRates.push_back(CopyRate(buffers[0]));
  }
  GenApi::CCommandPtr(nodes.GetNode("AcquisitionStop"))->Execute();
  grabber->CancelGrab();
  Pylon::GrabResult result;
  while (grabber->RetrieveResult(result)) {
  }
  for (auto handle : handles) grabber->DeregisterBuffer(handle);
  grabber->FinishGrab();
  grabber->Close();
  factory.DestroyDevice(device);

  const double camera = Median(cameraRates), copy = Median(copyRates);
  std::printf(
      "simulated %ux%u BayerBG8 camera, free-running, one core (median of %d rounds "
      "of %d frames)\n",
      kWidth, kHeight, kRounds, kFramesPerRound);
  std::printf("  camera:          %8.1f frames/s\n", camera);
  std::printf("  memcpy of frame: %8.1f frames/s (reference)\n", copy);
  std::printf("  camera / 30 fps goal:  %.2f (goal >= 1)\n", camera / 30.0);
  std::printf("  camera / memcpy:       %.3f\n", camera / copy);
  return camera >= 30.0 ? 0 : 1;
}
