#pragma once

#include <string>
#include <string_view>
#include <vector>

// The event tags of one photo, in the order they were added, without empty tags and
// without (case-sensitive) repeats. Its text form "|a|b|" is the EVENTO column.
class CEventList {
 public:
  static constexpr char kSeparator = '|';

  // A tag that could not be told apart in the text form: one holding "|".
  static bool IsValidTag(std::string_view tag) { return tag.find(kSeparator) == std::string_view::npos; }

  // False when the tag is refused (it holds "|"); an empty or present tag is ignored.
  bool Add(const std::string& tag);
  void Remove(const std::string& tag);
  // Blanks at both ends are trimmed, then each "|"-separated piece is added or removed.
  void AddFromText(std::string_view text);
  void RemoveFromText(std::string_view text);
  void SetFromText(std::string_view text);
  // "" for no tags, else "|" followed by each tag and a "|".
  std::string ToText() const;

  const std::vector<std::string>& Tags() const { return tags_; }
  bool Contains(const std::string& tag) const;

 private:
  std::vector<std::string> tags_;
};
