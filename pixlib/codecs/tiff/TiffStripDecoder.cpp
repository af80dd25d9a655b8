#include "pixlib/codecs/tiff/TiffStripDecoder.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc/hal/hal.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/tiff/HorizontalPredictor.h"
#include "pixlib/codecs/tiff/LzwStripDecoder.h"

namespace pixcodec {

namespace {

// Strips handed to one parallel task at a time (strips are often one row).
constexpr int kTasksPerThread = 4;
// Bytes of strips that follow each other in the file are read together, up
// to this many at a time: few reads, and few enough bytes to stay in the
// processor's cache until they are decoded or copied.
constexpr std::uint64_t kRunBytes = 256u << 10;

std::uint64_t FileBytes(int fd) {
  struct stat info {};
  return fd >= 0 && fstat(fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// Reads the bytes at [offset, offset + count) that lie inside the file.
std::size_t ReadAt(int fd, std::uint64_t offset, unsigned char* dst, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = pread(fd, dst + done, count - done, static_cast<off_t>(offset + done));
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

// The predictor of LZW strips. libtiff knows the tag only for codecs that
// use it: asked for it on other files, it reports an error and gives 0.
int Predictor(TIFF* tiff, const TiffLayout& layout) {
  std::uint16_t predictor = PREDICTOR_NONE;
  if (layout.compression == COMPRESSION_LZW) TIFFGetFieldDefaulted(tiff, TIFFTAG_PREDICTOR, &predictor);
  return predictor;
}

}  // namespace

bool TiffStripDecoder::Handles(TIFF* tiff, const TiffLayout& layout) {
  const int predictor = Predictor(tiff, layout);
  const bool rgb =
      layout.photometric == PHOTOMETRIC_RGB && (layout.samplesPerPixel == 3 || layout.samplesPerPixel == 4);
  const bool grey = layout.photometric == PHOTOMETRIC_MINISBLACK && layout.samplesPerPixel == 1;
  // The whole image is decoded at once, so it must fit under the decode cap
  // in the file's own layout too.
  const long long bytes = static_cast<long long>(layout.width) * layout.height * layout.samplesPerPixel;
  // libtiff reverses the bits of each byte of the other fill order: those files stay with it.
  std::uint16_t fillOrder = FILLORDER_MSB2LSB;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_FILLORDER, &fillOrder);
  const bool lzw = layout.compression == COMPRESSION_LZW &&
                   (predictor == PREDICTOR_NONE || predictor == PREDICTOR_HORIZONTAL);
  const bool plain = layout.compression == COMPRESSION_NONE;
  return (lzw || plain) && layout.bitsPerSample == 8 && !layout.tiled && bytes <= kMaxDecodedBytes &&
         (rgb || grey) && fillOrder == FILLORDER_MSB2LSB && TIFFFileno(tiff) >= 0;
}

TiffStripDecoder::TiffStripDecoder(TIFF* tiff, const TiffLayout& layout)
    : m_tiff(tiff),
      m_layout(layout),
      m_fd(TIFFFileno(tiff)),
      m_rowBytes(std::size_t(layout.width) * layout.samplesPerPixel) {
  m_predictor = Predictor(tiff, layout);
  const std::uint32_t height = static_cast<std::uint32_t>(layout.height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &m_rowsPerStrip);
  if (m_rowsPerStrip == 0 || m_rowsPerStrip > height) m_rowsPerStrip = height;
  // Strips the image needs; those the file lacks leave their rows missing.
  const std::uint32_t needed = (height + m_rowsPerStrip - 1) / m_rowsPerStrip;
  m_strips.resize(std::min(needed, TIFFNumberOfStrips(tiff)));
  for (std::size_t i = 0; i < m_strips.size(); ++i) {
    m_strips[i].firstRow = static_cast<std::uint32_t>(i) * m_rowsPerStrip;
    m_strips[i].expectedBytes = std::min(m_rowsPerStrip, height - m_strips[i].firstRow) * m_rowBytes;
    // Taken here, as libtiff may load them lazily and its handle is not for threads.
    m_strips[i].fileOffset = TIFFGetStrileOffset(tiff, static_cast<std::uint32_t>(i));
    m_strips[i].fileBytes = TIFFGetStrileByteCount(tiff, static_cast<std::uint32_t>(i));
  }
  for (int v = 0; v < kPaletteEntries; ++v)
    std::fill_n(&m_greyRamp[3 * std::size_t(v)], 3, static_cast<unsigned char>(v));
}

SourcePixels TiffStripDecoder::Pixels() const {
  if (m_layout.samplesPerPixel == 1) return SourcePixels::Index;
  return m_layout.samplesPerPixel == 4 ? SourcePixels::Bgra : SourcePixels::Bgr;
}

const unsigned char* TiffStripDecoder::Palette() const {
  return m_layout.samplesPerPixel == 1 ? m_greyRamp.data() : nullptr;
}

std::uint64_t TiffStripDecoder::BytesInFile(const Strip& strip) const {
  return strip.fileOffset < m_fileBytes ? std::min(strip.fileBytes, m_fileBytes - strip.fileOffset) : 0;
}

std::size_t TiffStripDecoder::RunEnd(std::size_t first, std::size_t end) const {
  std::uint64_t bytes = BytesInFile(m_strips[first]);
  std::size_t last = first;
  while (last + 1 < end) {
    const Strip& strip = m_strips[last];
    const Strip& next = m_strips[last + 1];
    if (next.fileOffset != strip.fileOffset + strip.fileBytes || BytesInFile(strip) != strip.fileBytes ||
        bytes + BytesInFile(next) > kRunBytes)
      break;
    bytes += BytesInFile(next);
    ++last;
  }
  return last + 1;
}

void TiffStripDecoder::DecodeRun(std::size_t first, std::size_t end, std::vector<unsigned char>& codes,
                                 const RowTarget& target, Scratch& scratch) {
  std::uint64_t total = 0;
  for (std::size_t i = first; i < end; ++i) total += BytesInFile(m_strips[i]);
  codes.resize(static_cast<std::size_t>(total) + kLzwInputPadding);
  const std::size_t got =
      ReadAt(m_fd, m_strips[first].fileOffset, codes.data(), static_cast<std::size_t>(total));
  std::fill_n(codes.data() + got, kLzwInputPadding, 0);
  std::size_t at = 0;
  for (std::size_t i = first; i < end; ++i) {
    const std::size_t bytes = static_cast<std::size_t>(BytesInFile(m_strips[i]));
    DecodeStrip(m_strips[i], codes.data() + at, at < got ? std::min(bytes, got - at) : 0, target, scratch);
    at += bytes;
  }
}

void TiffStripDecoder::DecodeStrip(Strip& strip, const unsigned char* codes, std::size_t bytes,
                                   const RowTarget& target, Scratch& scratch) {
  unsigned char* pixels = StripPixels(strip, target, scratch);
  if (m_layout.compression == COMPRESSION_NONE) {
    strip.decodedBytes = std::min(bytes, strip.expectedBytes);
    std::memcpy(pixels, codes, strip.decodedBytes);
  } else if (IsOldStyleLzw(codes, bytes)) {
    strip.oldStyle = true;
    return;
  } else {
    strip.decodedBytes = DecodeLzwStrip(codes, bytes, pixels, strip.expectedBytes);
  }
  FinishRows(strip, m_predictor, pixels, target);
}

// A strip is decoded where its rows go when they lie back to back there (in
// the decoder's own memory, or one row, or an image stored top down);
// otherwise in `scratch`, and its rows are placed once finished.
unsigned char* TiffStripDecoder::StripPixels(const Strip& strip, const RowTarget& target,
                                             Scratch& scratch) const {
  if (target.pitch == static_cast<std::ptrdiff_t>(m_rowBytes) || strip.expectedBytes <= m_rowBytes)
    return target.Row(strip.firstRow);
  if (scratch.block.pixels == nullptr) {
    scratch.block = ipl::allocatePixelBlock(std::size_t(m_rowsPerStrip) * m_rowBytes);
    if (scratch.block.pixels == nullptr) throw std::bad_alloc();
  }
  return reinterpret_cast<unsigned char*>(scratch.block.pixels);
}

// Turns the strip's whole rows, decoded at `first`, into the pixels the image
// takes while they are still in this core's cache: the horizontal predictor
// undone (each sample was stored as the difference to the same sample of the
// pixel on its left), then R and B swapped; then places them in `target` when
// they were decoded elsewhere.
void TiffStripDecoder::FinishRows(const Strip& strip, int predictor, unsigned char* first,
                                  const RowTarget& target) {
  const int step = m_layout.samplesPerPixel;
  const std::size_t rows = strip.decodedBytes / m_rowBytes;
  if (predictor == PREDICTOR_HORIZONTAL)
    for (unsigned char* row = first; row != first + rows * m_rowBytes; row += m_rowBytes)
      UndoHorizontalPredictor(row, m_rowBytes, step);
  if (step >= 3 && rows > 0)  // OpenCV's vectorised channel swap, in place
    cv::hal::cvtBGRtoBGR(first, m_rowBytes, first, m_rowBytes, m_layout.width, static_cast<int>(rows), CV_8U,
                         step, step, true);
  if (first != target.Row(strip.firstRow))
    for (std::size_t row = 0; row < rows; ++row)
      std::memcpy(target.Row(strip.firstRow + row), first + row * m_rowBytes, m_rowBytes);
}

void TiffStripDecoder::DecodeAll(const RowTarget& target) {
  m_decoded = true;
  m_fileBytes = FileBytes(m_fd);
  const int strips = static_cast<int>(m_strips.size());
  const int tasks = std::min(strips, std::max(1, cv::getNumThreads()) * kTasksPerThread);
  cv::parallel_for_(
      cv::Range(0, strips),
      [&](const cv::Range& range) {
        std::vector<unsigned char> codes;
        Scratch scratch;
        const std::size_t end = static_cast<std::size_t>(range.end);
        for (std::size_t first = static_cast<std::size_t>(range.start), runEnd; first < end; first = runEnd) {
          runEnd = RunEnd(first, end);
          try {
            DecodeRun(first, runEnd, codes, target, scratch);
          } catch (const std::bad_alloc&) {
            for (std::size_t i = first; i < runEnd; ++i)
              m_strips[i].decodedBytes = 0;  // no room for their codes
          }
        }
      },
      tasks);
  // libtiff's handle is not shared between threads: old-style strips go one by one.
  Scratch scratch;
  for (std::size_t i = 0; i < m_strips.size(); ++i) {
    Strip& strip = m_strips[i];
    if (!strip.oldStyle) continue;
    unsigned char* pixels = StripPixels(strip, target, scratch);
    const tmsize_t got = TIFFReadEncodedStrip(m_tiff, static_cast<std::uint32_t>(i), pixels,
                                              static_cast<tmsize_t>(strip.expectedBytes));
    strip.decodedBytes = got > 0 ? static_cast<std::size_t>(got) : 0;
    FinishRows(strip, PREDICTOR_NONE, pixels, target);  // libtiff has undone the predictor
  }
}

int TiffStripDecoder::DecodeRows(unsigned char* firstRow, std::ptrdiff_t pitch) {
  // Rows stored right to left are turned as ReadRow hands them out.
  if (m_status != 0 || m_decoded || m_layout.RightToLeft()) return -1;
  DecodeAll({firstRow, pitch});
  return static_cast<int>(WholeRows());
}

std::uint32_t TiffStripDecoder::WholeRows() const {
  for (const Strip& strip : m_strips)
    if (strip.decodedBytes < strip.expectedBytes)
      return strip.firstRow + static_cast<std::uint32_t>(strip.decodedBytes / m_rowBytes);
  return m_strips.empty() ? 0
                          : std::min<std::uint32_t>(static_cast<std::uint32_t>(m_layout.height),
                                                    m_strips.back().firstRow + m_rowsPerStrip);
}

void TiffStripDecoder::DecodeIntoOwnMemory() {
  m_memory.block = ipl::allocatePixelBlock(m_rowBytes * static_cast<std::size_t>(m_layout.height));
  if (m_memory.block.pixels == nullptr) throw std::bad_alloc();
  m_pixels = reinterpret_cast<unsigned char*>(m_memory.block.pixels);
  DecodeAll({m_pixels, static_cast<std::ptrdiff_t>(m_rowBytes)});
  m_validRows = WholeRows();
}

int TiffStripDecoder::ReadRow(unsigned char* buffer, int pixels) {
  if (m_status != 0) return m_status;
  if (!m_decoded) DecodeIntoOwnMemory();
  if (m_row >= m_validRows || std::size_t(pixels) * m_layout.samplesPerPixel > m_rowBytes)
    return m_status = kFailed;
  std::memcpy(buffer, &m_pixels[m_row * m_rowBytes], std::size_t(pixels) * m_layout.samplesPerPixel);
  ++m_row;
  if (m_layout.RightToLeft()) ReverseRow(buffer, pixels, m_layout.samplesPerPixel);
  return 0;
}

}  // namespace pixcodec
