#pragma once

#include <vector>

#include "pixlib/codecs/ByteReader.h"
#include "pixlib/codecs/Decoder.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/tga/TgaHeader.h"

namespace pixcodec {

// Raw or run-length TGA rows as palette indices, B, G, R (15/16/24 bits) or
// B, G, R, A (32 bits), turned left to right when the file stores them the
// other way. Run-length packets may cross rows.
class TgaDecoder : public Decoder {
 public:
  enum StatusCode : short { kGood = 0, kEndOfFile = 2, kReadError = 4 };

  TgaDecoder(ByteReader& reader, const TgaHeader& header);
  int ReadRow(unsigned char* buffer, int pixels) override;
  std::size_t PlainRowBytes() const override;
  std::size_t ReadPlain(unsigned char* dst, std::size_t bytes) override { return m_reader.Read(dst, bytes); }

  SourcePixels Pixels() const;

 private:
  bool ReadFilePixels(unsigned char* dst, int pixels);
  bool ReadPackets(unsigned char* dst, int pixels);
  void ToSourcePixels(const unsigned char* file, unsigned char* buffer, int pixels) const;

  ByteReader& m_reader;
  const TgaHeader& m_header;
  const int m_fileBytes;             // bytes per pixel in the file
  std::vector<unsigned char> m_raw;  // one row as stored, for 15/16-bit pixels
  int m_packetLeft = 0;              // pixels left in the current packet
  bool m_repeat = false;             // the packet repeats m_pixel
  unsigned char m_pixel[4] = {};
};

}  // namespace pixcodec
