#include "layout/CompositionOptions.h"

#include <vector>

#include "platform/ProfileStore.h"

CompositionOptions CompositionOptions::Read(const bx::ProfileStore& store) {
  CompositionOptions options;
  options.useEmbeddedProfile = store.GetInt("General Settings", "Use Embedded Profile", 1) != 0;
  options.forceResize = store.GetInt("General Settings", "Force Resize", 1) != 0;
  return options;
}

std::string FormatCaption(const std::string& text, std::time_t now) {
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return "Invalid DateTime";
  std::string pattern = text;
  const std::size_t n = pattern.size();
  if (n >= 2 && pattern[n - 1] == '%' && pattern[n - 2] != '%') pattern.pop_back();
  if (pattern.empty()) return {};
  // strftime gives 0 both for a short buffer and for an empty result, so the
  // buffer grows from the pattern's size until it is clearly large enough
  // (no code expands beyond a few dozen characters).
  const std::size_t limit = pattern.size() * 64 + 256;
  for (std::size_t size = pattern.size() * 2 + 64;; size *= 2) {
    std::vector<char> buffer(size);
    const std::size_t written = std::strftime(buffer.data(), buffer.size(), pattern.c_str(), &local);
    if (written > 0) return std::string(buffer.data(), written);
    if (size >= limit) return {};
  }
}
