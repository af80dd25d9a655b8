#pragma once
// An 8-bit BGR (or BGRA) frame for the exposure tests: an IPL header over its
// own pixels, rows padded to 4 bytes, filled by rectangles.
#include <cstring>
#include <vector>

#include "ipl/IplHeaderOver.h"

class CTestFrame {
 public:
  CTestFrame(int width, int height, int channels = 3)
      : m_pixels(size_t((width * channels + 3) / 4 * 4) * size_t(height)),
        m_header(ipl::headerOver(m_pixels.data(), width, height, channels, (width * channels + 3) / 4 * 4,
                                 IPL_ORIGIN_BL)) {}
  CTestFrame(const CTestFrame&) = delete;
  CTestFrame& operator=(const CTestFrame&) = delete;

  IplImage& Image() { return m_header; }

  // Sets every channel of the rectangle to `level`.
  void Fill(int x, int y, int width, int height, unsigned char level) {
    for (int row = y; row < y + height; ++row)
      std::memset(&m_pixels[row * m_header.widthStep + x * m_header.nChannels], level,
                  static_cast<size_t>(width) * m_header.nChannels);
  }
  void Fill(unsigned char level) { Fill(0, 0, m_header.width, m_header.height, level); }
  void SetChannel(int x, int y, int channel, unsigned char level) {
    m_pixels[y * m_header.widthStep + x * m_header.nChannels + channel] = level;
  }

 private:
  std::vector<unsigned char> m_pixels;  // before the header, which points into it
  IplImage m_header;
};
