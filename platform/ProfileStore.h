#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace bx {

// The settings of one application name: the file "<name>.ini" in the config folder.
// Every call sees what the file holds (read again whenever it changed), so all stores
// of one name see the same values; writes are serialised per file inside the process
// and replace the file atomically (temporary file, fsync, rename), so a crash never
// leaves it empty or half written.
class ProfileStore {
 public:
  explicit ProfileStore(std::string applicationName);
  // A store over an explicit folder instead of the configured one.
  ProfileStore(std::string folder, std::string applicationName);

  int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // False when the file cannot be written or the names or value cannot be stored.
  bool WriteInt(std::string_view section, std::string_view key, int value);
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);

  // What a value becomes: from its stored text (nothing when absent), the text
  // to store, or nothing to leave the file as it is.
  using Change = std::function<std::optional<std::string>(const std::optional<std::string>&)>;
  // Reads a value and stores what `change` makes of it in one step: nothing else
  // of the process comes between, and the file is looked at once. `change` must
  // not use the store. False when nothing was stored: `change` gave nothing, or
  // the text cannot be stored or written.
  bool Update(std::string_view section, std::string_view key, const Change& change);

  const std::string& ApplicationName() const { return applicationName_; }
  const std::string& FilePath() const { return filePath_; }

 private:
  std::string folder_;
  std::string applicationName_;
  std::string filePath_;
};

// An integer setting's text as GetInt reads it: decimal, or hexadecimal after
// "0x", up to the first other character (with `whole`, only blanks may
// follow); nothing when it is not a number or out of range.
std::optional<int> ParseProfileInt(const std::string& text, bool whole = false);

}  // namespace bx
