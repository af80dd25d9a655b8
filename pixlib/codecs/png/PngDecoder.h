#pragma once

#include <vector>

#include "pixlib/codecs/Decoder.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/png/SpngContext.h"

namespace pixcodec {

// What the PNG header says, as the reader needs it.
struct PngInfo {
  int width = 0;
  int height = 0;
  int bitDepth = 0;
  int colourType = 0;
  bool interlaced = false;
  bool hasAlpha = false;  // an alpha channel or a tRNS chunk
  int dpiX = 0;           // 0: no pHYs in pixels per metre
  int dpiY = 0;
};

// Reads the header chunks (up to the image data); null on success, else the
// message to report.
const char* ReadPngInfo(spng_ctx* ctx, PngInfo& info);

// Rows of a PNG image, top first, as R, G, B (or R, G, B, A when the file has
// alpha) bytes: palettes and tRNS applied, grey spread to three channels,
// 16-bit samples scaled to 8 bits as ImageMagick does (v × 255 / 65535,
// truncated). Interlaced images are
// decoded whole first; the others a row at a time.
class PngDecoder : public Decoder {
 public:
  static constexpr short kFailed = 4;
  PngDecoder(spng_ctx* ctx, const PngInfo& info);
  // False (with libspng's reason in `error`) when decoding cannot start.
  bool Begin(const char*& error);
  int ReadRow(unsigned char* buffer, int pixels) override;
  SourcePixels Pixels() const { return m_info.hasAlpha ? SourcePixels::Rgba : SourcePixels::Rgb; }

 private:
  int DecodedFormat() const;
  std::size_t DecodedRowBytes() const;
  void Narrow(const unsigned char* decoded, unsigned char* buffer, int pixels) const;

  spng_ctx* m_ctx;
  const PngInfo& m_info;
  std::vector<unsigned char> m_rows;  // the whole image (interlaced) or one row
  int m_row = 0;
};

}  // namespace pixcodec
