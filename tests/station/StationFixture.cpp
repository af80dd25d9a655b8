#include "StationFixture.h"

#include "platform/NamedEvent.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <cstdlib>
#include <random>

namespace fs = std::filesystem;

StationFolder::StationFolder() {
  std::random_device random;
  m_root = fs::temp_directory_path() / ("bxstation-" + std::to_string(random()));
  fs::create_directories(ConfigFolder());
  fs::create_directories(StateFolder());
  fs::create_directories(PhotoFolder());
  // The station and the programs a test starts use events of this test only.
  ::setenv("BX_RISE_EVENT", RiseEventName().c_str(), 1);
  ::setenv("BX_FALL_EVENT", FallEventName().c_str(), 1);
}

StationFolder::~StationFolder() {
  bx::NamedEvent::Remove(RiseEventName());
  bx::NamedEvent::Remove(FallEventName());
  std::error_code ignored;
  fs::remove_all(m_root, ignored);
}

void StationFolder::WriteProfile(const std::string& databasePath, const std::string& extraLines) const {
  std::ofstream profile(ConfigFolder() / "BXGrabber.ini");
  // Several buffers: a shot right after the previous one finds one queued.
  profile << "[Camera Settings]\nCamera Transport=sim\nNum Buffers=4\n"
          << "[Database Settings]\nDatabasePath=" << databasePath << "\nServerName=localhost\n"
          << "Counter Port=" << FreePort() << "\n"
          << extraLines
          // Never the machine's own serial port; a test that wants one names it above.
          // Layout files go below the test's folder, not the one the tests run from.
          << "[Program Settings]\nSerial Port=\nApplication Path=" << m_root.string()
          << "\n"
          // No HTTP service on the machine's fixed port; a test that wants one enables it above.
          << "[Remote Settings]\nEnabled=0\n";
}

std::vector<fs::path> StationFolder::SavedPhotos() const {
  std::vector<fs::path> photos;
  for (const auto& entry : fs::recursive_directory_iterator(PhotoFolder()))
    if (entry.is_regular_file() && entry.path().extension() == ".jpg") photos.push_back(entry.path());
  std::sort(photos.begin(), photos.end());
  return photos;
}

void SimulateSmallCamera() {
  Pylon::SSimulatorConfig config;
  config.sensorWidth = 320;
  config.sensorHeight = 240;
  Pylon::CTlFactory::GetInstance().Simulator().Configure(config);
}

bool ReadImageTrailer(const fs::path& file, ImageTrailer& trailer) {
  std::ifstream input(file, std::ios::binary);
  std::array<uint32_t, 16> fields{};
  input.seekg(-64, std::ios::end);
  if (!input.read(reinterpret_cast<char*>(fields.data()), 64)) return false;
  if (fields[0] != 0x87251997u || fields[1] != 0xD5327C31u) return false;
  trailer.thumbnailOffset = fields[2];
  trailer.flags = fields[3];
  return true;
}
