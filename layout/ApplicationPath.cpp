#include "layout/ApplicationPath.h"

#include <filesystem>
#include <functional>

namespace bx::layout {
namespace {

constexpr std::string_view kPlaceholder = "<AP>";

bool StartsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

// Applies the change to the name (the part before the first ";") of each "|" piece.
std::string MapPageNames(const std::string& page,
                         const std::function<std::string(const std::string&)>& change) {
  std::string result;
  for (std::size_t start = 0;;) {
    const auto end = page.find('|', start);
    const std::string piece = page.substr(start, end - start);
    const auto fields = piece.find(';');
    result += change(piece.substr(0, fields)) + (fields == std::string::npos ? "" : piece.substr(fields));
    if (end == std::string::npos) return result;
    result += '|';
    start = end + 1;
  }
}

}  // namespace

std::string ApplicationFolder(const std::string& applicationPath) {
  std::string folder = applicationPath.empty() ? std::filesystem::current_path().string() : applicationPath;
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string ToPlaceholder(const std::string& name, const std::string& applicationFolder) {
  if (applicationFolder.empty() || !StartsWith(name, applicationFolder)) return name;
  return std::string(kPlaceholder) + name.substr(applicationFolder.size());
}

std::string FromPlaceholder(const std::string& name, const std::string& applicationFolder) {
  if (!StartsWith(name, kPlaceholder)) return name;
  return applicationFolder + name.substr(kPlaceholder.size());
}

std::string PageToPlaceholder(const std::string& page, const std::string& applicationFolder) {
  return MapPageNames(page, [&](const std::string& name) { return ToPlaceholder(name, applicationFolder); });
}

std::string PageFromPlaceholder(const std::string& page, const std::string& applicationFolder) {
  return MapPageNames(page,
                      [&](const std::string& name) { return FromPlaceholder(name, applicationFolder); });
}

}  // namespace bx::layout
