#pragma once

#include "app/GrabberApp.h"
#include "platform/RecordingMachinePower.h"

#include <memory>

class StationFolder;

// An application object over a test's station folder, with a machine that
// only records power requests and a restart that only counts.
class StationApp {
 public:
  explicit StationApp(const StationFolder& folder);
  CGrabberApp& App() { return m_app; }
  bx::RecordingMachinePower& Power() { return m_power; }
  bx::RecordingProgramRestart& Restart() { return m_restart; }

 private:
  bx::RecordingMachinePower m_power;
  bx::RecordingProgramRestart m_restart;
  CGrabberApp m_app;
};

std::unique_ptr<StationApp> MakeStationApp(const StationFolder& folder);
