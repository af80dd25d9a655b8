#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/platform/FreePort.h"

// A fresh station folder for one test: settings, state and the photo tree.
class StationFolder {
 public:
  StationFolder();
  ~StationFolder();
  StationFolder(const StationFolder&) = delete;
  StationFolder& operator=(const StationFolder&) = delete;

  const std::filesystem::path& Root() const { return m_root; }
  std::filesystem::path ConfigFolder() const { return m_root / "config"; }
  std::filesystem::path StateFolder() const { return m_root / "state"; }
  std::filesystem::path PhotoFolder() const { return m_root / "photos"; }
  // The trigger's named events of this folder's station.
  std::string RiseEventName() const { return "bxtest.rise." + m_root.filename().string(); }
  std::string FallEventName() const { return "bxtest.fall." + m_root.filename().string(); }
  // The settings file of a simulated-camera station; an empty photo folder
  // leaves "DatabasePath" empty.
  void WriteProfile(const std::string& databasePath, const std::string& extraLines = "") const;
  // Every JPEG below the photo folder, sorted.
  std::vector<std::filesystem::path> SavedPhotos() const;

 private:
  std::filesystem::path m_root;
};

// The simulated camera with a small sensor, so that station tests save quickly.
void SimulateSmallCamera();

// The 64-byte trailer at the end of an image file, or nothing.
struct ImageTrailer {
  unsigned thumbnailOffset = 0;
  unsigned flags = 0;
};
bool ReadImageTrailer(const std::filesystem::path& file, ImageTrailer& trailer);
