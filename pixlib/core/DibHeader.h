#pragma once
// The BITMAPINFO that describes an image's pixels to drawing code.

#include "ipl/IplTypes.h"
#include "pixlib/core/Export.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class PIXLIB_API CDibHeader {
 public:
  // Describes an 8-bit image of 1, 3 or 4 channels (one channel gets a grey
  // palette); returns 0 and stays empty for any other layout.
  int Create(const IplImage* image);
  void CleanUp();
  size_t Size() const { return m_block.size(); }

  operator BITMAPINFO*() { return Info(); }
  operator BITMAPINFOHEADER*() { return m_block.empty() ? nullptr : &Info()->bmiHeader; }

  // Whether top-down bitmaps (negative height) may be described.
  static bool TLBitmapSupported() { return m_tlBitmapSupported; }
  static void TLBitmapSupported(bool supported) { m_tlBitmapSupported = supported; }

 private:
  BITMAPINFO* Info() { return m_block.empty() ? nullptr : reinterpret_cast<BITMAPINFO*>(m_block.data()); }

  std::vector<uint8_t> m_block;
  static bool m_tlBitmapSupported;
};
