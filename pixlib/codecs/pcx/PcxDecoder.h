#pragma once

#include <vector>

#include "pixlib/codecs/ByteReader.h"
#include "pixlib/codecs/Decoder.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/pcx/PcxHeader.h"

namespace pixcodec {

// Run-length coded PCX scan lines (one row of every plane) turned into
// palette indices, or B, G, R pixels for 8-bit files with 3 or 4 planes (the
// fourth plane is left out). Runs may cross scan lines.
class PcxDecoder : public Decoder {
 public:
  enum StatusCode : short { kGood = 0, kEndOfFile = 2, kReadError = 4 };

  PcxDecoder(ByteReader& reader, const PcxHeader& header);
  int ReadRow(unsigned char* buffer, int pixels) override;
  int Restart() override;

  SourcePixels Pixels() const;

 private:
  bool DecodeScanLine();
  void PlanesToPixels(unsigned char* buffer, int pixels) const;

  ByteReader& m_reader;
  const PcxHeader& m_header;
  std::vector<unsigned char> m_line;  // bytes-per-line bytes of each plane
  int m_runLeft = 0;
  unsigned char m_runValue = 0;
};

}  // namespace pixcodec
