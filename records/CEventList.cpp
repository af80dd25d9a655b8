#include "records/CEventList.h"

#include <algorithm>

namespace {

std::vector<std::string> Pieces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  std::vector<std::string> pieces;
  for (std::size_t start = 0;;) {
    const auto end = text.find(CEventList::kSeparator, start);
    pieces.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

}  // namespace

bool CEventList::Add(const std::string& tag) {
  if (!IsValidTag(tag)) return false;
  if (!tag.empty() && !Contains(tag)) tags_.push_back(tag);
  return true;
}

void CEventList::Remove(const std::string& tag) {
  const auto found = std::find(tags_.begin(), tags_.end(), tag);
  if (!tag.empty() && found != tags_.end()) tags_.erase(found);
}

void CEventList::AddFromText(std::string_view text) {
  for (const std::string& piece : Pieces(text)) Add(piece);
}

void CEventList::RemoveFromText(std::string_view text) {
  for (const std::string& piece : Pieces(text)) Remove(piece);
}

void CEventList::SetFromText(std::string_view text) {
  tags_.clear();
  AddFromText(text);
}

std::string CEventList::ToText() const {
  if (tags_.empty()) return {};
  std::string text(1, kSeparator);
  for (const std::string& tag : tags_) text += tag + kSeparator;
  return text;
}

bool CEventList::Contains(const std::string& tag) const {
  return std::find(tags_.begin(), tags_.end(), tag) != tags_.end();
}
