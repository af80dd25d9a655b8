#pragma once

namespace pixcodec {

// How a decoded JPEG is laid out in the image, from the file's component
// count and the caller's channel mode:
//   mode 0: 3-channel BGR;
//   mode 1: BGRA exactly when the file has four components, else BGR;
//   mode 2: always BGRA, alpha opaque unless the file carries one.
// Four-component files store B, G, R inverted and the alpha as an Adobe YCCK
// stream, so they are decoded as CMYK and converted row by row.
struct ChannelLayout {
  int channels = 0;                 // channels of the image to create
  bool fromFourComponents = false;  // decoded rows need ConvertCmykRow

  // False for component counts other than 1, 3 and 4.
  static bool Choose(int components, int channelMode, ChannelLayout& layout);
};

// Decoded CMYK pixels of a four-component file into BGR (channels 3) or BGRA.
void ConvertCmykRow(const unsigned char* cmyk, unsigned char* dst, int width, int channels);

// BGR (channels 3) or BGRA pixels into CMYK pixels for a four-component file;
// a 3-channel source gets an opaque alpha.
void ConvertRowToCmyk(const unsigned char* src, unsigned char* cmyk, int width, int channels);

}  // namespace pixcodec
