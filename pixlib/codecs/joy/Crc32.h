#pragma once

#include <cstddef>
#include <cstdint>

namespace pixcodec {

// CRC-32 with the common reflected polynomial 0x04C11DB7, initial value all
// ones and final inversion ("123456789" gives 0xCBF43926).
std::uint32_t Crc32(const unsigned char* bytes, std::size_t count);

}  // namespace pixcodec
