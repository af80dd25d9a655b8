#pragma once

#include <cstddef>

namespace pixcodec {

// JFIF density fields of a JPEG stream held in memory.
struct JfifDensity {
  int unit = 0;
  int x = 0;
  int y = 0;
};

// Finds the JFIF APP0 segment before the first scan; false when there is none.
bool FindJfifDensity(const unsigned char* bytes, std::size_t size, JfifDensity& density,
                     std::size_t* fieldOffset = nullptr);

// Rewrites the density of the JFIF segment in place; false when there is none.
bool SetJfifDensity(unsigned char* bytes, std::size_t size, const JfifDensity& density);

}  // namespace pixcodec
