#include "platform/IniDocument.h"

#include "platform/StringCompare.h"

namespace bx {
namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  std::string current;
  while (!text.empty()) {
    const auto eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') continue;
    if (trimmed.front() == '[' && trimmed.back() == ']') {
      current = std::string(Trim(trimmed.substr(1, trimmed.size() - 2)));
      if (!doc.FindSection(current)) doc.sections_.push_back({current, {}});
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos || current.empty()) continue;
    const std::string_view key = Trim(line.substr(0, eq));
    if (!key.empty() && !doc.Get(current, key)) doc.Set(current, key, line.substr(eq + 1));
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  // Appended piece by piece into one buffer sized up front: no temporary strings.
  std::size_t size = 0;
  for (const Section& section : sections_) {
    size += section.name.size() + 3;
    for (const Entry& entry : section.entries) size += entry.key.size() + entry.value.size() + 2;
  }
  std::string out;
  out.reserve(size);
  for (const Section& section : sections_) {
    out.append(1, '[').append(section.name).append("]\n");
    for (const Entry& entry : section.entries)
      out.append(entry.key).append(1, '=').append(entry.value).append(1, '\n');
  }
  return out;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return std::nullopt;
  for (const Entry& entry : s->entries)
    if (EqualsNoCase(entry.key, key)) return entry.value;
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back({std::string(section), {}});
    s = &sections_.back();
  }
  for (Entry& entry : s->entries) {
    if (EqualsNoCase(entry.key, key)) {
      entry.value = value;
      return;
    }
  }
  s->entries.push_back({std::string(key), std::string(value)});
}

bool IniDocument::IsValidName(std::string_view name) {
  return !name.empty() && Trim(name) == name && name.find_first_of("[;#") != 0 &&
         name.find_first_of("=]\n\r") == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool IniDocument::IsValidValue(std::string_view value) {
  return value.find_first_of("\n\r") == std::string_view::npos && value.find('\0') == std::string_view::npos;
}

IniDocument::Section* IniDocument::FindSection(std::string_view name) {
  for (Section& s : sections_)
    if (EqualsNoCase(s.name, name)) return &s;
  return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
  for (const Section& s : sections_)
    if (EqualsNoCase(s.name, name)) return &s;
  return nullptr;
}

}  // namespace bx
