#include "pixlib/codecs/ChannelLayout.h"

namespace pixcodec {

bool ChannelLayout::Choose(int components, int channelMode, ChannelLayout& layout) {
  if (components != 1 && components != 3 && components != 4) return false;
  layout.fromFourComponents = components == 4;
  const bool fourChannels = channelMode == 2 || (channelMode == 1 && components == 4);
  layout.channels = fourChannels ? 4 : 3;
  return true;
}

void ConvertCmykRow(const unsigned char* cmyk, unsigned char* dst, int width, int channels) {
  for (int x = 0; x < width; ++x, cmyk += 4, dst += channels) {
    dst[0] = static_cast<unsigned char>(255 - cmyk[2]);
    dst[1] = static_cast<unsigned char>(255 - cmyk[1]);
    dst[2] = static_cast<unsigned char>(255 - cmyk[0]);
    if (channels == 4) dst[3] = cmyk[3];
  }
}

void ConvertRowToCmyk(const unsigned char* src, unsigned char* cmyk, int width, int channels) {
  for (int x = 0; x < width; ++x, src += channels, cmyk += 4) {
    cmyk[0] = static_cast<unsigned char>(255 - src[2]);
    cmyk[1] = static_cast<unsigned char>(255 - src[1]);
    cmyk[2] = static_cast<unsigned char>(255 - src[0]);
    cmyk[3] = channels == 4 ? src[3] : 255;
  }
}

}  // namespace pixcodec
