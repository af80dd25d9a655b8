#pragma once

#include <string>
#include <string_view>

namespace bx {

// Reads one value of an INI file (section and key ignoring case), cut to
// bufferSize - 1 characters; the default when the file, section or key is missing.
std::string ReadPrivateProfileString(const std::string& path, std::string_view section, std::string_view key,
                                     std::string_view defaultValue, size_t bufferSize);

}  // namespace bx
