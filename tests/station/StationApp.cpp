#include "StationApp.h"

#include "StationFixture.h"

#include <cstdlib>

namespace {

// The application's profile and state follow the environment of its creation.
bx::RecordingMachinePower& UseFolder(const StationFolder& folder, bx::RecordingMachinePower& power) {
  ::setenv("BX_CONFIG_DIR", folder.ConfigFolder().c_str(), 1);
  ::setenv("BX_STATE_DIR", folder.StateFolder().c_str(), 1);
  return power;
}

}  // namespace

StationApp::StationApp(const StationFolder& folder) : m_app(UseFolder(folder, m_power), m_restart) {}

std::unique_ptr<StationApp> MakeStationApp(const StationFolder& folder) {
  return std::make_unique<StationApp>(folder);
}
