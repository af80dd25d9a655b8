#pragma once

#include <optional>
#include <string>

// The folders and the file of one photo below "DatabasePath":
// "%simages", "%simages/%s", "%simages/%s/%d" and "%simages/%s/%d/img%d.jpg".
// The root is used as given, so it must end with a separator.
struct ImageTreePaths {
  std::string imagesFolder;
  std::string operatorFolder;
  std::string filmFolder;
  std::string filePath;

  static ImageTreePaths For(const std::string& databasePath, const std::string& operatorName, int filmNumber,
                            int counter);

  // The folder "DatabasePath" names: the one "images" is created in.
  static std::string RootFolder(const std::string& databasePath);
  // Why photos cannot go below "DatabasePath" when its folder is missing (an
  // unmounted mount point is never created); nothing when it exists.
  static std::optional<std::string> MissingRoot(const std::string& databasePath);
  // False for a name that is not plain (bx::IsPlainName): the photo's XML copy
  // goes below the same name, so a name one of them refuses is refused here.
  static bool IsSafeOperatorName(const std::string& operatorName);

  // Creates the missing folders one level at a time, below the root, which
  // must exist already (it may be a mount point that is not mounted). The
  // reason, naming the folder, when one of them is not there afterwards.
  std::optional<std::string> CreateFolders() const;
};

// "img%d.jpg" with the counter.
std::string PhotoFileName(int counter);
