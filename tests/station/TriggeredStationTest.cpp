// The station released by its trigger sources: DSR edges on a simulated port, the
// simulated camera's input line, named events during a reconnect; and the flash.
#include "RecordingHost.h"
#include "StationApp.h"
#include "StationFixture.h"

#include "app/station/CGrabberDlg.h"
#include "platform/NamedEvent.h"
#include "platform/SimulatedSerialPort.h"
#include "pylon/NodeCallback.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

class TriggeredStationTest : public ::testing::Test {
 protected:
  void SetUp() override { SimulateSmallCamera(); }

  // A station saving photos, triggered by `source` without filter or dead time.
  CGrabberDlg& Start(int source, const std::string& extraLines = "") {
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                          "[Trigger Settings]\nTrigger Source=" + std::to_string(source) +
                              "\nTriggerFilter=0\nMinDelay=0\n[Program Settings]\nSerial Port=COM1\n" +
                              extraLines);
    m_app = MakeStationApp(m_folder);
    auto port = std::make_unique<bx::SimulatedSerialPort>();
    m_port = port.get();
    m_station = std::make_unique<CGrabberDlg>(m_app->App(), m_host, std::move(port));
    EXPECT_TRUE(m_station->OnInitDialog());
    EXPECT_TRUE(m_station->IsCameraConnected());
    std::this_thread::sleep_for(2ms);  // past the dead time of 0 ms after the start
    return *m_station;
  }
  bool WaitForSaved(int count) {
    for (int i = 0; i < 1000 && m_station->SavedCount() < count; ++i) std::this_thread::sleep_for(10ms);
    return m_station->SavedCount() >= count;
  }
  static Pylon::CSimulator& Simulator() { return Pylon::CTlFactory::GetInstance().Simulator(); }
  static std::string Serial() { return Simulator().Serials().at(0); }

  StationFolder m_folder;
  RecordingHost m_host;
  std::unique_ptr<StationApp> m_app;
  bx::SimulatedSerialPort* m_port = nullptr;
  std::unique_ptr<CGrabberDlg> m_station;
};

TEST_F(TriggeredStationTest, DsrEdgesReleasePhotos) {
  Start(0);
  for (int photo = 1; photo <= 3; ++photo) {
    m_port->DriveDsr(true);
    ASSERT_TRUE(WaitForSaved(photo));
    m_port->DriveDsr(false);
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(m_folder.SavedPhotos().size(), 3u);
}

TEST_F(TriggeredStationTest, AnInputLinePulseOnTheCameraReleasesAPhoto) {
  Start(2);
  Simulator().SetLineLevel(Serial(), 1, true);
  ASSERT_TRUE(WaitForSaved(1));
  Simulator().SetLineLevel(Serial(), 1, false);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(m_station->SavedCount(), 1);
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
}

// Trigger mode 1: the camera takes the frame on its line by itself.
TEST_F(TriggeredStationTest, OutOfServiceTheCamerasOwnLineTriggerSavesNothingUntilBackInService) {
  CGrabberDlg& station = Start(2, "[Trigger Settings]\nTrigger Mode=1\n");
  station.SetInService(false, "camera moved");
  Simulator().SetLineLevel(Serial(), 1, true);
  for (int i = 0; i < 1000 && station.RemoteSnapshot().ignoredTriggers == 0; ++i)
    std::this_thread::sleep_for(10ms);
  Simulator().SetLineLevel(Serial(), 1, false);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(station.RemoteSnapshot().ignoredTriggers, 1u);
  EXPECT_EQ(station.SavedCount(), 0);
  EXPECT_EQ(station.CurrentStatus().state, StationStatus::State::OutOfService);

  station.SetInService(true, "");
  Simulator().SetLineLevel(Serial(), 1, true);
  ASSERT_TRUE(WaitForSaved(1));
  EXPECT_EQ(station.RemoteSnapshot().ignoredTriggers, 1u);
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
}

TEST_F(TriggeredStationTest, ThePresetsFlashPulsesTheCameraOutputOnEveryShot) {
  std::ofstream(m_folder.Root() / "Properties.xml")
      << "<Set0><Flash><Enabled value=\"1\"/></Flash></Set0><Set1><Flash><Enabled "
         "value=\"0\"/></Flash></Set1>";
  CGrabberDlg& station =
      Start(1, "Properties File Name=" + (m_folder.Root() / "Properties.xml").string() + "\n");
  const unsigned before = Simulator().OutputPulses(Serial(), "Out1");
  for (int shot = 1; shot <= 2; ++shot) {
    station.SoftwareShot(false);
    ASSERT_TRUE(WaitForSaved(shot));
  }
  EXPECT_EQ(Simulator().OutputPulses(Serial(), "Out1") - before, 2u);
  EXPECT_EQ(m_port->Changes().back().line, bx::SimulatedSerialPort::Line::Rts);
  EXPECT_TRUE(m_port->Changes().back().on);

  station.ApplyPreset(CGrabberDlg::PresetLowLight);
  const unsigned flashOff = Simulator().OutputPulses(Serial(), "Out1");
  station.SoftwareShot(false);
  ASSERT_TRUE(WaitForSaved(3));
  EXPECT_EQ(Simulator().OutputPulses(Serial(), "Out1"), flashOff);
  EXPECT_FALSE(m_port->Changes().back().on);
}

// Notes every value written to the user outputs (on the engine's thread).
struct OutputWrites {
  void OnChanged(GenApi::INode* node) {
    std::lock_guard lock(mutex);
    values.push_back(GenApi::CIntegerPtr(node)->GetValue());
  }
  std::vector<int64_t> Values() {
    std::lock_guard lock(mutex);
    return values;
  }
  std::mutex mutex;
  std::vector<int64_t> values;
};

TEST_F(TriggeredStationTest, ModeTwoShotsPulseTheSecondOutput) {
  CGrabberDlg& station = Start(1, "[Trigger Settings]\nTrigger Mode=2\n");
  GenApi::CIntegerPtr outputs(station.GetNodeMap()->GetNode("UserOutputValueAll"));
  outputs->SetValue(1);
  OutputWrites writes;
  const auto handle = GenApi::Register(outputs->GetNode(), writes, &OutputWrites::OnChanged);
  bx::NamedEvent(m_folder.RiseEventName()).Set();  // the engine shoots with the mode-2 flag
  for (int i = 0; i < 500 && writes.Values().size() < 2; ++i) std::this_thread::sleep_for(10ms);
  GenApi::Deregister(handle);
  EXPECT_EQ(writes.Values(), (std::vector<int64_t>{3, 1}));
}

TEST_F(TriggeredStationTest, ASoftwareShotGivesTheLineTriggerBackEvenWhenRefused) {
  // Trigger mode 1: the camera triggers itself on its line.
  CGrabberDlg& station = Start(1, "[Trigger Settings]\nTrigger Mode=1\n");
  GenApi::CEnumerationPtr source(station.GetNodeMap()->GetNode("TriggerSource"));
  ASSERT_EQ(source->ToString(), "Line1");
  station.SoftwareShot(false);
  ASSERT_TRUE(WaitForSaved(1));
  EXPECT_EQ(source->ToString(), "Line1");

  Simulator().RefuseValue(Serial(), "TriggerSoftware");
  station.SoftwareShot(false);
  Simulator().RefuseValue(Serial(), "TriggerSoftware", false);
  EXPECT_EQ(source->ToString(), "Line1");
}

TEST_F(TriggeredStationTest, RestartingTheTriggerKeepsTheLivePreviewRunning) {
  CGrabberDlg& station = Start(1);
  station.SetLiveMode(true);
  station.RestartTrigger();
  GenApi::CEnumerationPtr mode(station.GetNodeMap()->GetNode("TriggerMode"));
  EXPECT_EQ(mode->ToString(), "Off");
  station.SetLiveMode(false);
  EXPECT_EQ(mode->ToString(), "On");
}

TEST_F(TriggeredStationTest, TriggersDuringAReconnectNeverDeadlock) {
  CGrabberDlg& station = Start(1);
  bx::NamedEvent rise(m_folder.RiseEventName()), fall(m_folder.FallEventName());
  std::atomic<bool> triggering{true};
  std::thread trigger([&] {
    while (triggering) {
      rise.Set();
      std::this_thread::sleep_for(1ms);
      fall.Set();
      std::this_thread::sleep_for(1ms);
    }
  });
  for (int reconnect = 0; reconnect < 10; ++reconnect) {
    auto connected = std::async(std::launch::async, [&] { return station.ConnectCamera(); });
    if (connected.wait_for(20s) != std::future_status::ready) {
      std::fprintf(stderr, "ConnectCamera deadlocked with a trigger\n");
      std::_Exit(1);  // the stuck threads cannot be ended
    }
    EXPECT_TRUE(connected.get());
  }
  EXPECT_TRUE(WaitForSaved(1));  // the engine runs again after the last reconnect
  triggering = false;
  trigger.join();
}

}  // namespace
