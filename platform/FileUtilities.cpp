#include "platform/FileUtilities.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

void CreateFullPath(const std::string& path) {
  size_t start = path.rfind("//", 0) == 0 ? 2 : (path.rfind('/', 0) == 0 ? 1 : 0);
  if (start == 2) start = path.find('/', 2) == std::string::npos ? path.size() : path.find('/', 2) + 1;
  while (start < path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) ::mkdir(path.substr(0, end).c_str(), 0755);
    start = end + 1;
  }
}

std::string ExecutableFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  const std::string path(buffer, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

bool EnablePrivilege(const std::string&) { return true; }
