#pragma once

#include <array>
#include <charconv>
#include <string>

namespace bx::odbc {

// "%f" without the locale: six decimals and a point, as the XML files hold numbers.
inline std::string FixedText(double value) {
  std::array<char, 64> buffer{};
  const auto end =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6).ptr;
  return std::string(buffer.data(), end);
}

// Reads a whole text as a number, without the locale; false when it is not one.
template <typename Number>
bool ReadNumber(const std::string& text, Number& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace bx::odbc
