#include "platform/ProfileStore.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/FileReplace.h"
#include "platform/IniDocument.h"
#include "platform/StatePaths.h"

namespace bx {
namespace {

// One lock per settings file, shared by every store of the process.
std::mutex& FileLock(const std::string& path) {
  static std::mutex mapLock;
  static std::map<std::string, std::unique_ptr<std::mutex>> locks;
  std::lock_guard<std::mutex> guard(mapLock);
  auto& lock = locks[path];
  if (!lock) lock = std::make_unique<std::mutex>();
  return *lock;
}

IniDocument LoadDocument(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return IniDocument::Parse(text.str());
}

}  // namespace

std::optional<int> ParseProfileInt(const std::string& text, bool whole) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(begin, &end, 0 == text.rfind("0x", 0) ? 16 : 10);
  if (end == begin || errno == ERANGE || value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
  if (whole && std::string_view(end).find_first_not_of(" \t") != std::string_view::npos) return std::nullopt;
  return static_cast<int>(static_cast<uint32_t>(value));
}

ProfileStore::ProfileStore(std::string applicationName)
    : ProfileStore(StatePaths::ConfigFolder(), std::move(applicationName)) {}

ProfileStore::ProfileStore(std::string folder, std::string applicationName)
    : folder_(std::move(folder)),
      applicationName_(std::move(applicationName)),
      filePath_(folder_ + "/" + applicationName_ + ".ini") {}

std::optional<std::string> ProfileStore::Find(std::string_view section, std::string_view key) const {
  std::lock_guard<std::mutex> guard(FileLock(filePath_));
  return LoadDocument(filePath_).Get(section, key);
}

int ProfileStore::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
  const auto text = Find(section, key);
  const auto value = text ? ParseProfileInt(*text) : std::nullopt;
  return value.value_or(defaultValue);
}

std::string ProfileStore::GetString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  return Find(section, key).value_or(std::string(defaultValue));
}

bool ProfileStore::WriteInt(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool ProfileStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!IniDocument::IsValidName(section) || !IniDocument::IsValidName(key) ||
      !IniDocument::IsValidValue(value))
    return false;
  std::lock_guard<std::mutex> guard(FileLock(filePath_));
  IniDocument doc = LoadDocument(filePath_);
  if (doc.Get(section, key) == value) return true;
  doc.Set(section, key, value);
  return !WriteFileAtomically(filePath_, doc.Serialize());
}

}  // namespace bx
