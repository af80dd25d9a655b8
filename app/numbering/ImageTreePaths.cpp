#include "app/numbering/ImageTreePaths.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "platform/PlainName.h"

namespace {

bool IsFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::string PhotoFileName(int counter) { return "img" + std::to_string(counter) + ".jpg"; }

ImageTreePaths ImageTreePaths::For(const std::string& databasePath, const std::string& operatorName,
                                   int filmNumber, int counter) {
  ImageTreePaths paths;
  paths.imagesFolder = databasePath + "images";
  paths.operatorFolder = paths.imagesFolder + "/" + operatorName;
  paths.filmFolder = paths.operatorFolder + "/" + std::to_string(filmNumber);
  paths.filePath = paths.filmFolder + "/" + PhotoFileName(counter);
  return paths;
}

std::string ImageTreePaths::RootFolder(const std::string& databasePath) {
  const std::size_t slash = databasePath.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : databasePath.substr(0, slash);
}

bool ImageTreePaths::IsSafeOperatorName(const std::string& operatorName) {
  return bx::IsPlainName(operatorName);
}

std::optional<std::string> ImageTreePaths::MissingRoot(const std::string& databasePath) {
  const std::string root = RootFolder(databasePath);
  if (IsFolder(root)) return std::nullopt;
  return "folder " + root + " (\"DatabasePath\") does not exist";
}

std::optional<std::string> ImageTreePaths::CreateFolders() const {
  if (auto missing = MissingRoot(imagesFolder)) return missing;
  for (const std::string* folder : {&imagesFolder, &operatorFolder, &filmFolder}) {
    if (::mkdir(folder->c_str(), 0777) == 0) continue;
    const std::error_code reason(errno, std::generic_category());
    if (!IsFolder(*folder)) return "cannot create folder " + *folder + ": " + reason.message();
  }
  return std::nullopt;
}
