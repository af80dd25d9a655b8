#include "pixlib/twain/sane/SaneFrames.h"

#include <algorithm>
#include <cstring>

#include "pixlib/codecs/DecodeTarget.h"

namespace twainsane {

bool SaneFrames::IsSeparate(const SANE_Parameters& p) {
  return p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN || p.format == SANE_FRAME_BLUE;
}

std::size_t SaneFrames::MaxFrameBytes() { return static_cast<std::size_t>(pixcodec::kMaxDecodedBytes); }

// A frame whose lines hold its pixels and whose stated size is within the limit.
bool SaneFrames::IsSound(const SANE_Parameters& p) {
  if (p.bytes_per_line <= 0 || p.pixels_per_line <= 0) return false;
  if (p.depth != 1 && p.depth != 8 && p.depth != 16) return false;
  if (IsSeparate(p) && p.depth == 1) return false;
  const std::size_t samples = p.format == SANE_FRAME_RGB ? 3 : 1;
  const std::size_t lineBytes = static_cast<std::size_t>(p.bytes_per_line);
  if (lineBytes < (std::size_t(p.pixels_per_line) * samples * std::size_t(p.depth) + 7) / 8) return false;
  return p.lines <= 0 || std::size_t(p.lines) <= MaxFrameBytes() / lineBytes;
}

// A later frame is another colour pass of the first, of its depth and width.
bool SaneFrames::MatchesFirst(const SANE_Parameters& p) const {
  return IsSeparate(m_first) && IsSeparate(p) && p.depth == m_first.depth &&
         p.pixels_per_line == m_first.pixels_per_line;
}

bool SaneFrames::Start(const SANE_Parameters& p) {
  if (!IsSound(p) || (m_frames > 0 && !MatchesFirst(p))) return false;
  if (m_frames == 0) m_first = p;
  m_frame = p;
  return true;
}

std::size_t SaneFrames::ExpectedBytes() const {
  return m_frame.lines > 0 ? std::size_t(m_frame.bytes_per_line) * std::size_t(m_frame.lines) : 0;
}

SaneFrames::Result SaneFrames::Add(std::vector<SANE_Byte>& bytes) {
  const bool first = m_frames++ == 0;
  if (first) {
    const Result shaped = AddFirst(bytes);
    if (shaped != Result::More) return shaped;
  }
  CopyRows(bytes);
  if (m_frame.last_frame) return Result::Complete;
  return m_frames < 3 ? Result::More : Result::Failed;
}

// Shapes the page from the first frame; rows kept as they came need no copy.
SaneFrames::Result SaneFrames::AddFirst(std::vector<SANE_Byte>& bytes) {
  const SANE_Parameters& p = m_frame;
  m_page.width = p.pixels_per_line;
  m_page.bitsPerSample = p.depth;
  m_page.samplesPerPixel = p.format == SANE_FRAME_GRAY ? 1 : 3;
  m_page.pixelType = m_page.samplesPerPixel == 3 ? TWPT_RGB : p.depth == 1 ? TWPT_BW : TWPT_GRAY;
  m_page.pixelFlavor = TWPF_VANILLA;
  const std::size_t lineBytes = static_cast<std::size_t>(p.bytes_per_line);
  const std::size_t lines = bytes.size() / lineBytes;
  m_page.height = static_cast<int>(p.lines >= 0 ? std::min<std::size_t>(lines, std::size_t(p.lines)) : lines);
  // Three passes make a page three times the size of one.
  if (m_page.height < 1 || m_page.RowBytes() > MaxFrameBytes() / std::size_t(m_page.height))
    return Result::Failed;
  if (!IsSeparate(p) && lineBytes == m_page.RowBytes()) {
    m_page.pixels = std::move(bytes);
    m_page.pixels.resize(m_page.RowBytes() * std::size_t(m_page.height));
    return Result::Complete;
  }
  m_page.pixels.assign(m_page.RowBytes() * std::size_t(m_page.height), 0);
  return Result::More;
}

void SaneFrames::CopyRows(const std::vector<SANE_Byte>& bytes) {
  const SANE_Parameters& p = m_frame;
  const std::size_t lineBytes = static_cast<std::size_t>(p.bytes_per_line);
  const std::size_t rows = std::min(bytes.size() / lineBytes, std::size_t(m_page.height));
  if (!IsSeparate(p)) {
    const std::size_t copy = std::min(lineBytes, m_page.RowBytes());
    for (std::size_t y = 0; y < rows; ++y)
      std::memcpy(m_page.pixels.data() + y * m_page.RowBytes(), bytes.data() + y * lineBytes, copy);
    return;
  }
  // One colour per pass, interleaved into R, G, B.
  const std::size_t channel = p.format == SANE_FRAME_RED ? 0 : p.format == SANE_FRAME_GREEN ? 1 : 2;
  const std::size_t sampleBytes = static_cast<std::size_t>(p.depth / 8);
  const std::size_t width = std::min<std::size_t>(std::size_t(m_page.width), lineBytes / sampleBytes);
  for (std::size_t y = 0; y < rows; ++y)
    for (std::size_t x = 0; x < width; ++x)
      std::memcpy(m_page.pixels.data() + y * m_page.RowBytes() + (3 * x + channel) * sampleBytes,
                  bytes.data() + y * lineBytes + x * sampleBytes, sampleBytes);
}

}  // namespace twainsane
