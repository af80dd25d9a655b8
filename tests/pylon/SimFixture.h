#pragma once
// Opens the first of freshly configured simulated cameras for a test.
#include <gtest/gtest.h>

#include "pylon/PylonIncludes.h"
#include "pylon/sim/Simulator.h"

class SimCameraTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kWidth = 320;
  static constexpr uint32_t kHeight = 240;

  void SetUp() override {
    Pylon::PylonInitialize();
    auto& factory = Pylon::CTlFactory::GetInstance();
    factory.SelectTransport("sim");
    Pylon::SSimulatorConfig config;
    config.cameraCount = 2;
    config.framesPerSecond = 50.0;
    config.sensorWidth = kWidth;
    config.sensorHeight = kHeight;
    factory.Simulator().Configure(config);
    Pylon::DeviceInfoList devices;
    ASSERT_EQ(factory.EnumerateDevices(devices), 2);
    serial = devices[0].GetSerialNumber();
    device = factory.CreateDevice(devices[0]);
    device->Open(Pylon::Control | Pylon::Stream | Pylon::Event);
    nodes = device->GetNodeMap();
  }

  void TearDown() override {
    if (device) Pylon::CTlFactory::GetInstance().DestroyDevice(device);
    Pylon::PylonTerminate();
  }

  Pylon::CSimulator& Simulator() { return Pylon::CTlFactory::GetInstance().Simulator(); }

  std::string serial;
  Pylon::IPylonDevice* device = nullptr;
  GenApi::INodeMap* nodes = nullptr;
};
