#pragma once
// Simulated cameras for the camera tests: two small sensors, a private
// settings folder, and helpers that drive the camera's own nodes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "camera/GenPylonCamera.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

class SimCameraTest : public testing::Test {
 protected:
  static constexpr uint32_t kWidth = 320;
  static constexpr uint32_t kHeight = 240;

  void SetUp() override {
    m_settings = std::filesystem::temp_directory_path() / ("camera-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_settings);
    ::setenv("BX_CONFIG_DIR", m_settings.c_str(), 1);
    Pylon::CTlFactory::GetInstance().SelectTransport("sim");
    Pylon::SSimulatorConfig config;
    config.cameraCount = 2;
    config.framesPerSecond = 50;
    config.sensorWidth = kWidth;
    config.sensorHeight = kHeight;
    Simulator().Configure(config);
  }
  void TearDown() override { std::filesystem::remove_all(m_settings); }

  static Pylon::CSimulator& Simulator() { return Pylon::CTlFactory::GetInstance().Simulator(); }
  static std::string Serial(size_t index) { return Simulator().Serials().at(index); }

  static void SetSymbol(CGenPylonCamera& camera, const char* feature, const char* symbol) {
    GenApi::CEnumerationPtr node(camera.GetNodeMap()->GetNode(feature));
    node->FromString(symbol);
  }
  static std::string Symbol(CGenPylonCamera& camera, const char* feature) {
    GenApi::CEnumerationPtr node(camera.GetNodeMap()->GetNode(feature));
    return node->ToString();
  }
  static void Execute(CGenPylonCamera& camera, const char* command) {
    GenApi::CCommandPtr node(camera.GetNodeMap()->GetNode(command));
    node->Execute();
  }
  static void UseSoftwareTrigger(CGenPylonCamera& camera) {
    SetSymbol(camera, "TriggerMode", "On");
    SetSymbol(camera, "TriggerSource", "Software");
  }

  std::filesystem::path m_settings;
};
