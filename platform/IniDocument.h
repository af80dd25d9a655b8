#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bx {

// An INI text held in memory: "[Section]" lines and "Key=Value" lines.
// Section and key names are matched ignoring case; the first spelling seen is kept.
class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);
  std::string Serialize() const;

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // Names and values that the text form can carry without changing meaning.
  static bool IsValidName(std::string_view name);
  static bool IsValidValue(std::string_view value);

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
};

}  // namespace bx
