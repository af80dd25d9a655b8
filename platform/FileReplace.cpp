#include "platform/FileReplace.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace bx {

std::optional<std::string> WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::filesystem::path target(path);
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  const std::filesystem::path partial = target.parent_path() / ("." + target.filename().string() + ".partial");
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return "cannot write " + partial.string();
  }
  std::filesystem::rename(partial, target, error);
  if (!error) return std::nullopt;
  std::filesystem::remove(partial, error);
  return "cannot write " + path;
}

}  // namespace bx
