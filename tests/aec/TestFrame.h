#pragma once
// An 8-bit BGR (or BGRA) frame for the exposure tests: an IPL header over its
// own pixels, rows padded to 4 bytes, filled by rectangles.
#include <cstring>
#include <vector>

#include "ipl/IplTypes.h"

class CTestFrame {
public:
    CTestFrame(int width, int height, int channels = 3) : m_pixels()
    {
        m_header.nSize = sizeof(IplImage);
        m_header.nChannels = channels;
        m_header.depth = IPL_DEPTH_8U;
        std::memcpy(m_header.colorModel, "RGB", 4);
        std::memcpy(m_header.channelSeq, channels == 4 ? "BGRA" : "BGR", 4);
        m_header.origin = IPL_ORIGIN_BL;
        m_header.align = IPL_ALIGN_4BYTES;
        m_header.width = width;
        m_header.height = height;
        m_header.widthStep = (width * channels + 3) / 4 * 4;
        m_header.imageSize = m_header.widthStep * height;
        m_pixels.assign(m_header.imageSize, 0);
        m_header.imageData = reinterpret_cast<char*>(m_pixels.data());
        m_header.imageDataOrigin = m_header.imageData;
    }
    CTestFrame(const CTestFrame&) = delete;
    CTestFrame& operator=(const CTestFrame&) = delete;

    IplImage& Image() { return m_header; }

    // Sets every channel of the rectangle to `level`.
    void Fill(int x, int y, int width, int height, unsigned char level)
    {
        for (int row = y; row < y + height; ++row)
            std::memset(&m_pixels[row * m_header.widthStep + x * m_header.nChannels], level,
                        static_cast<size_t>(width) * m_header.nChannels);
    }
    void Fill(unsigned char level) { Fill(0, 0, m_header.width, m_header.height, level); }
    void SetChannel(int x, int y, int channel, unsigned char level)
    {
        m_pixels[y * m_header.widthStep + x * m_header.nChannels + channel] = level;
    }

private:
    IplImage m_header{};
    std::vector<unsigned char> m_pixels;
};
