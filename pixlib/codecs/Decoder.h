#pragma once

#include <cstddef>

namespace pixcodec {

// A row decoder of a raster file: hands out the file's rows one at a time, in
// file order, as the source pixels the row converters take.
class Decoder {
 public:
  virtual ~Decoder() = default;
  // Decodes the next row of `pixels` pixels into `buffer`; returns the status.
  virtual int ReadRow(unsigned char* buffer, int pixels) = 0;
  // Goes back to the first row (when the decoder can); returns the status.
  virtual int Restart() { return m_status; }
  virtual int Finish() { return m_status; }
  // Bytes of one file row when the file stores its rows uncompressed, back to
  // back (padding included), exactly as ReadRow hands them out; 0 otherwise.
  virtual std::size_t PlainRowBytes() const { return 0; }
  // Reads up to `bytes` bytes of such rows straight into `dst`; returns how
  // many there were.
  virtual std::size_t ReadPlain(unsigned char*, std::size_t) { return 0; }
  // Decodes the whole image straight into memory, file row r at
  // firstRow + r * pitch (the pitch may be negative), as ReadRow would hand the
  // rows out; returns how many rows from the first it decoded whole (the rest
  // are missing), or -1 when the decoder reads only row by row.
  virtual int DecodeRows(unsigned char* /*firstRow*/, std::ptrdiff_t /*pitch*/) { return -1; }
  // 0 while good; otherwise the decoder's own code.
  virtual short Status() const { return m_status; }
  // Status of a row that ended the image on purpose (BMP's end-of-bitmap
  // code): the rows after it stay blank. Any other non-zero status means the
  // data ran out or is broken.
  static constexpr short kEndOfImage = 1;

 protected:
  short m_status = 0;
};

}  // namespace pixcodec
