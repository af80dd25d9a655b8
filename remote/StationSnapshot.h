#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace remote {

// Shot-to-disk times: counts per upper bound in seconds (cumulative, as
// Prometheus histograms are), their sum and their number.
struct ShotTimeHistogram {
  static constexpr std::array<double, 9> kBounds = {0.05, 0.1, 0.25, 0.5, 1.0, 2.5, 5.0, 10.0, 30.0};
  std::array<std::uint64_t, kBounds.size()> cumulative{};
  double sumSeconds = 0;
  std::uint64_t count = 0;
};

// A copy of the station's state as the service shows it. The station makes it
// under its own locks; the service never reaches into the station otherwise.
struct StationSnapshot {
  // "Ok" or "Ko"; the station's own word ("Ok", "Ko", "No camera", ...) and why.
  std::string status = "Ok";
  std::string state;
  std::string reason;
  bool inService = true;
  std::string serviceReason;

  bool cameraConnected = false;
  std::string cameraModel;
  std::string cameraSerial;
  std::string cameraTransport;
  bool liveMode = false;
  int preset = 0;
  std::string presetName;
  std::string operatorName;
  int filmNumber = 0;

  // The last photo saved: its path below "DatabasePath" (empty before the
  // first), its full path (never shown to clients), its counter and when.
  std::string lastPhotoPath;
  std::string lastPhotoFile;
  int lastCounter = 0;
  std::int64_t lastPhotoSavedAt = 0;  // seconds since the epoch, 0 before the first

  std::uint64_t photosToday = 0;
  std::uint64_t photosSinceStart = 0;
  std::uint64_t failedSaves = 0;
  std::uint64_t recordsWaiting = 0;
  std::uint64_t ignoredTriggers = 0;
  std::uint64_t cameraReconnects = 0;
  std::uint64_t watchdogRestarts = 0;
  // Shots asked for, by where they came from ("button", "api", "serial", ...).
  std::map<std::string, std::uint64_t> triggersBySource;
  ShotTimeHistogram shotToDisk;

  std::string triggerSource;
  double uptimeSeconds = 0;
  std::int64_t startTime = 0;  // seconds since the epoch
  std::string version;
  std::string instance;
};

}  // namespace remote
