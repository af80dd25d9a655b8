#include "layout/IconList.h"

#include <cstdlib>

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> fields;
  for (std::size_t start = 0;;) {
    const auto end = text.find(separator, start);
    fields.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return fields;
    start = end + 1;
  }
}

// Decimal as the C library reads it: leading digits, else 0; out of range clamps.
std::int32_t Number(const std::string& field) {
  const long long value = std::strtoll(field.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

}  // namespace

CIconParamsList ParseIconList(const std::string& page, const CIconParams& singleIcon) {
  CIconParamsList icons;
  bool anyPiece = false;
  for (const std::string& piece : Split(page, '|')) {
    if (piece.empty()) continue;
    anyPiece = true;
    const std::vector<std::string> fields = Split(piece, ';');
    if (fields.size() != 5) continue;
    icons.push_back({fields[0], Number(fields[1]), Number(fields[2]), Number(fields[4]), Number(fields[3])});
  }
  if (!anyPiece && !singleIcon.name.empty()) icons.push_back(singleIcon);
  return icons;
}
