#include "Exposition.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>

namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':'; }
bool IsNameChar(char c) { return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

// Reads a metric or label name at `at`; empty when there is none.
std::string Name(const std::string& line, std::size_t& at) {
  const std::size_t start = at;
  if (at < line.size() && IsNameStart(line[at]))
    while (at < line.size() && IsNameChar(line[at])) ++at;
  return line.substr(start, at - start);
}

bool Labels(const std::string& line, std::size_t& at) {
  if (at >= line.size() || line[at] != '{') return true;
  ++at;
  while (at < line.size() && line[at] != '}') {
    if (Name(line, at).empty() || line.compare(at, 2, "=\"") != 0) return false;
    for (at += 2; at < line.size() && line[at] != '"'; ++at)
      if (line[at] == '\\' &&
          (++at >= line.size() || std::string("\\\"n").find(line[at]) == std::string::npos))
        return false;
    if (at++ >= line.size()) return false;
    if (at < line.size() && line[at] == ',') ++at;
  }
  return at++ < line.size();
}

std::optional<double> Value(const std::string& text) {
  if (text == "+Inf") return HUGE_VAL;
  if (text == "-Inf") return -HUGE_VAL;
  if (text == "NaN") return NAN;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') return std::nullopt;
  return value;
}

bool Comment(const std::string& line, std::set<std::string>& typed) {
  std::istringstream words(line.substr(1));
  std::string keyword, name, rest;
  words >> keyword >> name;
  if (keyword == "HELP") return !name.empty();
  if (keyword != "TYPE") return true;  // any other comment
  words >> rest;
  static const std::set<std::string> kTypes = {"counter", "gauge", "histogram", "summary", "untyped"};
  return kTypes.count(rest) && typed.insert(name).second;
}

}  // namespace

std::optional<std::map<std::string, double>> ParseExposition(const std::string& text, std::string& error) {
  std::map<std::string, double> samples;
  std::set<std::string> typed;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    error = line;
    if (line.empty()) continue;
    if (line[0] == '#') {
      if (!Comment(line, typed)) return std::nullopt;
      continue;
    }
    std::size_t at = 0;
    if (Name(line, at).empty() || !Labels(line, at) || at >= line.size() || line[at] != ' ')
      return std::nullopt;
    const std::optional<double> value = Value(line.substr(at + 1));
    if (!value || !samples.emplace(line.substr(0, at), *value).second) return std::nullopt;
  }
  error.clear();
  if (text.empty() || text.back() != '\n') error = "no newline at the end";
  return error.empty() ? std::optional(samples) : std::nullopt;
}
