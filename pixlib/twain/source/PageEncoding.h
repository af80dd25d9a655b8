#pragma once
// The picture of a page in the forms the transfers hand out: a packed
// bottom-up DIB (native transfer) and a BMP file (file transfer).

#include <string>

#include "pixlib/twain/TwainTypes.h"
#include "pixlib/twain/source/ScannedPage.h"

namespace twainsource {

// Bit depths up to 8 keep their indices with a palette; 16-bit grey becomes
// 8-bit and 48-bit colour 24-bit (the high byte of each sample). Null when
// memory is short.
TW_HANDLE MakePackedDib(const ScannedPage& page);

// The page as an 8-bit grey (BW, grey) or BGR (colour, palette) BMP.
bool WritePageBmp(const ScannedPage& page, const std::string& path);

}  // namespace twainsource
