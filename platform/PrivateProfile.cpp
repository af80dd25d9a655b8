#include "platform/PrivateProfile.h"

#include <fstream>
#include <sstream>

#include "platform/IniDocument.h"

namespace bx {

std::string ReadPrivateProfileString(const std::string& path, std::string_view section, std::string_view key,
                                     std::string_view defaultValue, size_t bufferSize) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  std::string value = IniDocument::Parse(text.str()).Get(section, key).value_or(std::string(defaultValue));
  if (bufferSize > 0 && value.size() >= bufferSize) value.resize(bufferSize - 1);
  return value;
}

}  // namespace bx
