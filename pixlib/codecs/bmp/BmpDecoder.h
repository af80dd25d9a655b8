#pragma once

#include <vector>

#include "pixlib/codecs/ByteReader.h"
#include "pixlib/codecs/Decoder.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/bmp/BmpHeader.h"

namespace pixcodec {

// Rows of a BMP file in file order: uncompressed rows of every bit count, the
// 8- and 4-bit run-length codes, and 16/32-bit pixels through their masks.
class BmpDecoder : public Decoder {
 public:
  enum StatusCode : short {
    kGood = 0,
    kEndOfBitmap = kEndOfImage,
    kReadError = 4,
    kEndOfFile = 16,
  };

  BmpDecoder(ByteReader& reader, const BmpHeader& header);
  int ReadRow(unsigned char* buffer, int pixels) override;
  std::size_t PlainRowBytes() const override;
  std::size_t ReadPlain(unsigned char* dst, std::size_t bytes) override { return m_reader.Read(dst, bytes); }

  // The layout of the rows ReadRow gives.
  SourcePixels Pixels() const;

 private:
  int ReadUncompressed(unsigned char* buffer, int pixels);
  int ReadRunLength(unsigned char* buffer, int pixels);
  bool ReadLiteral(unsigned char* buffer, int pixels, int& x, int count);
  bool PlainPixels() const;
  int Fail(short status) { return m_status = status; }

  ByteReader& m_reader;
  const BmpHeader& m_header;
  std::vector<unsigned char> m_raw;  // one file row, padding included
  int m_blankRows = 0;               // rows a run-length delta skipped, still to hand out
  int m_resumeX = 0;                 // where the row after a delta starts
};

}  // namespace pixcodec
