#pragma once

#include <string>

namespace bxbench {

// libspng alone decoding the PNG file at `path` into 8-bit RGB (RGBA when the
// file has alpha) in memory, read from the file as our reader reads it;
// false when it fails.
bool DecodeWithSpng(const std::string& path);

}  // namespace bxbench
