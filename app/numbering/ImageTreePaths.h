#pragma once

#include <string>

// The folders and the file of one photo below "DatabasePath":
// "%simages", "%simages/%s", "%simages/%s/%d" and "%simages/%s/%d/img%d.jpg".
// The root is used as given, so it must end with a separator.
struct ImageTreePaths {
  std::string imagesFolder;
  std::string operatorFolder;
  std::string filmFolder;
  std::string filePath;

  static ImageTreePaths For(const std::string& databasePath, const std::string& operatorName,
                            int filmNumber, int counter);

  // Creates the three folders in order; errors are ignored, as an existing
  // folder is normal and a missing one makes the save itself fail.
  void CreateFolders() const;
};

// "img%d.jpg" with the counter.
std::string PhotoFileName(int counter);
