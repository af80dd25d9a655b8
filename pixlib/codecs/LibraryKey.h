#pragma once

namespace pixcodec {

// The key set by CxImage::SetCryptoKey, or null when none is set.
unsigned char* LibraryKey();

}  // namespace pixcodec
