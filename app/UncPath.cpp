#include "app/UncPath.h"

#include <cstdlib>
#include <fstream>
#include <optional>

#include "platform/HostName.h"
#include "platform/StringCompare.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The "path" of the share section named `share` in a Samba configuration file.
std::optional<std::string> SharePath(const std::string& sharesFile, const std::string& share) {
  std::ifstream in(sharesFile);
  std::string line;
  bool inShare = false;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      inShare = bx::EqualsNoCase(Trim(line.substr(1, line.size() - 2)), share);
      continue;
    }
    const auto eq = line.find('=');
    if (inShare && eq != std::string::npos && bx::EqualsNoCase(Trim(line.substr(0, eq)), "path"))
      return Trim(line.substr(eq + 1));
  }
  return std::nullopt;
}

const std::string& ThisHostName() {
  static const std::string name = bx::HostName().value_or("");
  return name;
}

}  // namespace

std::string LocalPathFromUnc(const std::string& path, const std::string& hostName,
                             const std::string& sharesFile) {
  if (path.size() < 3 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return path;
  size_t hostEnd = 2;
  while (hostEnd < path.size() && !IsSeparator(path[hostEnd])) ++hostEnd;
  if (hostEnd == path.size() || hostName.empty() || !bx::EqualsNoCase(path.substr(2, hostEnd - 2), hostName))
    return path;
  size_t shareEnd = hostEnd + 1;
  while (shareEnd < path.size() && !IsSeparator(path[shareEnd])) ++shareEnd;
  const auto local = SharePath(sharesFile, path.substr(hostEnd + 1, shareEnd - hostEnd - 1));
  if (!local || local->empty()) return path;
  std::string result = *local;
  if (result.back() == '/') result.pop_back();
  std::string rest = path.substr(shareEnd);
  for (char& c : rest)
    if (c == '\\') c = '/';
  return result + rest;
}

std::string LocalPathFromUnc(const std::string& path) {
  const char* sharesFile = std::getenv("BX_SHARES_FILE");
  return LocalPathFromUnc(path, ThisHostName(),
                          sharesFile && *sharesFile ? sharesFile : "/etc/samba/smb.conf");
}
