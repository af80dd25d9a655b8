#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <tiffio.h>

#include "pixlib/codecs/Decoder.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/tiff/TiffLayout.h"

namespace pixcodec {

// Rows of a TIFF image in file order, pixels turned left to right. Status 0
// while good, kFailed once libtiff could not deliver a row.
class TiffDecoder : public Decoder {
 public:
  static constexpr short kFailed = 4;
  virtual SourcePixels Pixels() const = 0;
  // B, G, R triples for index pixels; null otherwise.
  virtual const unsigned char* Palette() const { return nullptr; }
};

// 8- or 16-bit contiguous RGB(A) strips straight from the file (16-bit
// samples keep their high byte); alpha is handed on as stored.
class TiffScanlineDecoder : public TiffDecoder {
 public:
  TiffScanlineDecoder(TIFF* tiff, const TiffLayout& layout);
  int ReadRow(unsigned char* buffer, int pixels) override;
  SourcePixels Pixels() const override;

 private:
  TIFF* m_tiff;
  const TiffLayout& m_layout;
  std::vector<unsigned char> m_line;
  std::uint32_t m_row = 0;
};

// Every other accepted image through libtiff's RGBA reader (grey, palette,
// CMYK, YCbCr, tiles, 1 to 16 bits), a band of rows at a time.
class TiffRgbaDecoder : public TiffDecoder {
 public:
  TiffRgbaDecoder(TIFF* tiff, const TiffLayout& layout);
  ~TiffRgbaDecoder() override;
  // False (with libtiff's reason in `error`) when the reader cannot start.
  bool Begin(std::string& error);
  int ReadRow(unsigned char* buffer, int pixels) override;
  SourcePixels Pixels() const override { return SourcePixels::Rgba; }

 private:
  bool ReadBand();

  TIFF* m_tiff;
  const TiffLayout& m_layout;
  TIFFRGBAImage m_reader{};
  bool m_begun = false;
  std::vector<std::uint32_t> m_band;
  int m_bandRows = 0;    // rows a band holds
  int m_bandStart = 0;   // file row of the band's first row
  int m_bandFilled = 0;  // rows read into the band
  int m_row = 0;
};

}  // namespace pixcodec
