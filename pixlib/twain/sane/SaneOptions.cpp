#include "pixlib/twain/sane/SaneOptions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace twainsane {

int SaneOptions::Find(const std::string& name, const SANE_Option_Descriptor** descriptor) const {
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, i);
    if (d == nullptr) return -1;
    if (d->name != nullptr && name == d->name) {
      *descriptor = d;
      return i;
    }
  }
}

bool SaneOptions::Set(const std::string& name, const std::string& value) {
  const SANE_Option_Descriptor* d = nullptr;
  const int index = Find(name, &d);
  if (index < 0 || !SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap)) return false;
  std::vector<char> buffer(static_cast<std::size_t>(std::max<SANE_Int>(d->size, sizeof(SANE_Word))) + 1, 0);
  char* end = nullptr;
  switch (d->type) {
    case SANE_TYPE_BOOL: {
      const bool on = value == "yes" || value == "true" || value == "1";
      if (!on && value != "no" && value != "false" && value != "0") return false;
      *reinterpret_cast<SANE_Word*>(buffer.data()) = on ? SANE_TRUE : SANE_FALSE;
      break;
    }
    case SANE_TYPE_INT:
      *reinterpret_cast<SANE_Word*>(buffer.data()) =
          static_cast<SANE_Word>(std::strtol(value.c_str(), &end, 10));
      break;
    case SANE_TYPE_FIXED:
      *reinterpret_cast<SANE_Word*>(buffer.data()) = SANE_FIX(std::strtod(value.c_str(), &end));
      break;
    case SANE_TYPE_STRING:
      if (value.size() >= static_cast<std::size_t>(d->size)) return false;
      std::memcpy(buffer.data(), value.c_str(), value.size());
      break;
    default:
      return false;
  }
  if (end != nullptr && (end == value.c_str() || *end != '\0')) return false;
  SANE_Int info = 0;
  return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, buffer.data(), &info) ==
         SANE_STATUS_GOOD;
}

std::string SaneOptions::Get(const std::string& name) const {
  const SANE_Option_Descriptor* d = nullptr;
  const int index = Find(name, &d);
  if (index < 0 || !SANE_OPTION_IS_ACTIVE(d->cap)) return {};
  std::vector<char> buffer(static_cast<std::size_t>(std::max<SANE_Int>(d->size, sizeof(SANE_Word))) + 1, 0);
  if (sane_control_option(m_handle, index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) != SANE_STATUS_GOOD)
    return {};
  const SANE_Word word = *reinterpret_cast<SANE_Word*>(buffer.data());
  switch (d->type) {
    case SANE_TYPE_BOOL:
      return word ? "yes" : "no";
    case SANE_TYPE_INT:
      return std::to_string(word);
    case SANE_TYPE_FIXED:
      return std::to_string(SANE_UNFIX(word));
    case SANE_TYPE_STRING:
      return buffer.data();
    default:
      return {};
  }
}

double SaneOptions::Number(const std::string& name) const { return std::strtod(Get(name).c_str(), nullptr); }

std::vector<std::string> SaneOptions::Choices(const std::string& name) const {
  const SANE_Option_Descriptor* d = nullptr;
  std::vector<std::string> choices;
  if (Find(name, &d) < 0 || d->constraint_type != SANE_CONSTRAINT_STRING_LIST) return choices;
  for (const SANE_String_Const* s = d->constraint.string_list; *s != nullptr; ++s) choices.emplace_back(*s);
  return choices;
}

}  // namespace twainsane
