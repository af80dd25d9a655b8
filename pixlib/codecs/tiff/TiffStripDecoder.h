#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <tiffio.h>

#include "ipl/PixelBlockCache.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/tiff/TiffDecoders.h"
#include "pixlib/codecs/tiff/TiffLayout.h"

namespace pixcodec {

// 8-bit contiguous RGB, RGBA and grey strips, LZW (horizontal predictor or
// none) or uncompressed, read with pread on all cores: each strip's bytes are
// read from the file on their own, so the strips decode independently. LZW
// strips go through our own decoder, those in the old code layout through
// libtiff. Reading the file rather than mapping it spares a page fault for
// every few pages of the file, which some virtual machines charge dearly. The
// image is decoded at once: straight into the picture's rows when they need no
// conversion (DecodeRows), otherwise into memory of its own at the first row
// (ReadRow); rows from the first strip that came out short on are missing.
class TiffStripDecoder : public TiffDecoder {
 public:
  // Whether the image is one this decoder reads.
  static bool Handles(TIFF* tiff, const TiffLayout& layout);

  TiffStripDecoder(TIFF* tiff, const TiffLayout& layout);
  // Rows as B, G, R (A) or grey palette indices.
  int ReadRow(unsigned char* buffer, int pixels) override;
  int DecodeRows(unsigned char* firstRow, std::ptrdiff_t pitch) override;
  SourcePixels Pixels() const override;
  const unsigned char* Palette() const override;

 private:
  struct Strip {
    std::uint32_t firstRow = 0;
    std::uint64_t fileOffset = 0;  // of its codes, as the file states them
    std::uint64_t fileBytes = 0;
    std::size_t expectedBytes = 0;
    std::size_t decodedBytes = 0;
    bool oldStyle = false;
  };
  // Memory from the imaging layer's block cache, as images get theirs: a
  // fresh block for every load would fault in all its pages again.
  struct PixelMemory {
    ipl::PixelBlock block;
    PixelMemory() = default;
    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;
    ~PixelMemory() { ipl::releasePixelBlock(block.start, block.pixels); }
  };
  // Where file rows go: row r at first + r * pitch.
  struct RowTarget {
    unsigned char* first;
    std::ptrdiff_t pitch;
    unsigned char* Row(std::size_t row) const { return first + static_cast<std::ptrdiff_t>(row) * pitch; }
  };
  // Room for one strip, for a parallel task that decodes strips whose rows do not lie back to back.
  using Scratch = PixelMemory;

  // Decodes every strip into `target`.
  void DecodeAll(const RowTarget& target);
  // Decodes the image into memory of its own, from which ReadRow hands out rows.
  void DecodeIntoOwnMemory();
  // The strip's codes that lie inside the file.
  std::uint64_t BytesInFile(const Strip& strip) const;
  // The end of the run of strips from `first` (before `end`) whose codes
  // follow each other in the file.
  std::size_t RunEnd(std::size_t first, std::size_t end) const;
  // Reads the codes of strips [first, end) with one read into `codes` and
  // decodes them.
  void DecodeRun(std::size_t first, std::size_t end, std::vector<unsigned char>& codes, const RowTarget& target,
                 Scratch& scratch);
  // Decodes one strip from its bytes (followed by kLzwInputPadding readable
  // bytes); marks an LZW strip old-style instead when its codes are in the other layout.
  void DecodeStrip(Strip& strip, const unsigned char* codes, std::size_t bytes, const RowTarget& target,
                   Scratch& scratch);
  unsigned char* StripPixels(const Strip& strip, const RowTarget& target, Scratch& scratch) const;
  void FinishRows(const Strip& strip, int predictor, unsigned char* first, const RowTarget& target);
  // Rows of whole strips, then of the first short strip.
  std::uint32_t WholeRows() const;

  TIFF* m_tiff;
  const TiffLayout& m_layout;
  const int m_fd;  // the strips' codes are read with pread, so in parallel
  std::size_t m_rowBytes;
  std::uint32_t m_rowsPerStrip = 0;
  int m_predictor = PREDICTOR_NONE;
  std::uint64_t m_fileBytes = 0;
  std::vector<Strip> m_strips;
  PixelMemory m_memory;
  unsigned char* m_pixels = nullptr;  // the whole image as the file stores it, for ReadRow
  std::array<unsigned char, 3 * kPaletteEntries> m_greyRamp{};
  bool m_decoded = false;
  std::uint32_t m_validRows = 0;
  std::uint32_t m_row = 0;
};

}  // namespace pixcodec
