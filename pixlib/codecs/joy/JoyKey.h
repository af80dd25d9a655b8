#pragma once

namespace pixcodec {

// The caller's 8-byte key, or the library's built-in one when it is null.
const unsigned char* JoyKeyOrDefault(const unsigned char* key);

}  // namespace pixcodec
