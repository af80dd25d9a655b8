#include "odbc/DateText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace bx::odbc {
namespace {

// Reads unsigned decimal fields separated by the given characters, in order; the
// whole text must be used.
std::optional<std::vector<int>> ReadFields(std::string_view text, std::string_view separators) {
  std::vector<int> fields;
  const char* position = text.data();
  const char* end = text.data() + text.size();
  for (std::size_t i = 0; i <= separators.size(); ++i) {
    int value = 0;
    const auto [next, error] = std::from_chars(position, end, value);
    if (error != std::errc() || next == position || value < 0) return std::nullopt;
    fields.push_back(value);
    position = next;
    if (i < separators.size()) {
      if (position == end || *position != separators[i]) return std::nullopt;
      ++position;
    }
  }
  if (position != end) return std::nullopt;
  return fields;
}

std::optional<bx::OleDateTime> MakeDate(const std::vector<int>& date, const std::vector<int>& time) {
  const bx::OleDateTime value(date[0], date[1], date[2], time[0], time[1], time[2]);
  if (!value.IsValid()) return std::nullopt;
  return value;
}

// Writes a non-negative value as exactly `width` digits, zero-padded; past the end.
char* PutDigits(char* out, int value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + width;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<std::string> CanonicalDateText(const bx::OleDateTime& date) {
  if (!date.IsValid()) return std::nullopt;
  // Valid dates have four-digit years at most; no printf, as a row may carry several.
  std::string text(19, '\0');
  char* out = PutDigits(text.data(), date.GetYear(), 4);
  *out++ = '-';
  out = PutDigits(out, date.GetMonth(), 2);
  *out++ = '-';
  out = PutDigits(out, date.GetDay(), 2);
  *out++ = ' ';
  out = PutDigits(out, date.GetHour(), 2);
  *out++ = ':';
  out = PutDigits(out, date.GetMinute(), 2);
  *out++ = ':';
  PutDigits(out, date.GetSecond(), 2);
  return text;
}

std::optional<bx::OleDateTime> ParseDateText(std::string_view text) {
  const std::string_view day = text.substr(0, std::min<std::size_t>(text.size(), 10));
  const auto date = ReadFields(day, "--");
  if (!date) return std::nullopt;
  if (text.size() == day.size()) return MakeDate(*date, {0, 0, 0});
  if (text[day.size()] != ' ' && text[day.size()] != 'T') return std::nullopt;
  std::string_view clock = text.substr(day.size() + 1);
  clock = clock.substr(0, clock.find('.'));
  const auto time = ReadFields(clock, "::");
  if (!time) return std::nullopt;
  return MakeDate(*date, *time);
}

bx::OleDateTime DayOf(const bx::OleDateTime& date) {
  if (!date.IsValid()) return date;
  return bx::OleDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), 0, 0, 0);
}

bx::OleDateTime NextDay(const bx::OleDateTime& day) {
  if (!day.IsValid()) return day;
  // Whole days on the calendar, so the negative dates before 1900 step correctly.
  const bx::OleDateTime midnight = DayOf(day);
  const double next = std::round(midnight.Value()) + 1.0;
  const bx::OleDateTime nextMidnight(next);
  return bx::OleDateTime(nextMidnight.GetYear(), nextMidnight.GetMonth(), nextMidnight.GetDay(),
                         day.GetHour(), day.GetMinute(), day.GetSecond());
}

std::string PartDateLiteral(const bx::OleDateTime& date) {
  char text[48];
  if (!date.IsValid()) return "' -1/-1/-1 '";
  std::snprintf(text, sizeof text, "' %d/%d/%d '", date.GetDay(), date.GetMonth(), date.GetYear());
  return text;
}

std::string PartDateTimeLiteral(const bx::OleDateTime& date) {
  char text[64];
  if (!date.IsValid()) return "' -1/-1/-1 -1:-1:-1 '";
  std::snprintf(text, sizeof text, "' %d/%d/%d %d:%d:%d '", date.GetDay(), date.GetMonth(), date.GetYear(),
                date.GetHour(), date.GetMinute(), date.GetSecond());
  return text;
}

std::optional<bx::OleDateTime> ParsePartDateLiteral(std::string_view literal) {
  literal = Trim(literal);
  if (literal.size() < 2 || literal.front() != '\'' || literal.back() != '\'') return std::nullopt;
  literal = Trim(literal.substr(1, literal.size() - 2));
  const std::size_t blank = literal.find(' ');
  const auto dmy = ReadFields(literal.substr(0, blank), "//");
  if (!dmy) return std::nullopt;
  const std::vector<int> date{(*dmy)[2], (*dmy)[1], (*dmy)[0]};
  if (blank == std::string_view::npos) return MakeDate(date, {0, 0, 0});
  const auto time = ReadFields(literal.substr(blank + 1), "::");
  if (!time) return std::nullopt;
  return MakeDate(date, *time);
}

}  // namespace bx::odbc
