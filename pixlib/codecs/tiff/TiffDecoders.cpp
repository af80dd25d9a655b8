#include "pixlib/codecs/tiff/TiffDecoders.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace pixcodec {

namespace {
// The RGBA reader decodes one strip (or row of tiles) at a time, or bands of
// at most this many bytes when strips are larger.
constexpr std::size_t kBandBytes = 16u << 20;
}  // namespace

TiffScanlineDecoder::TiffScanlineDecoder(TIFF* tiff, const TiffLayout& layout)
    : m_tiff(tiff), m_layout(layout), m_line(static_cast<std::size_t>(TIFFScanlineSize64(tiff))) {}

SourcePixels TiffScanlineDecoder::Pixels() const {
  return m_layout.samplesPerPixel == 4 ? SourcePixels::Rgba : SourcePixels::Rgb;
}

int TiffScanlineDecoder::ReadRow(unsigned char* buffer, int pixels) {
  if (m_status != 0) return m_status;
  const std::size_t samples = std::size_t(pixels) * m_layout.samplesPerPixel;
  const std::size_t needed = samples * (m_layout.bitsPerSample / 8);
  if (m_line.size() < needed || TIFFReadScanline(m_tiff, m_line.data(), m_row++, 0) < 0)
    return m_status = kFailed;
  if (m_layout.bitsPerSample == 8) {
    std::memcpy(buffer, m_line.data(), samples);
  } else {
    for (std::size_t i = 0; i < samples; ++i) {
      std::uint16_t sample;
      std::memcpy(&sample, &m_line[2 * i], 2);
      buffer[i] = static_cast<unsigned char>(sample >> 8);
    }
  }
  if (m_layout.RightToLeft()) ReverseRow(buffer, pixels, m_layout.samplesPerPixel);
  return 0;
}

TiffRgbaDecoder::TiffRgbaDecoder(TIFF* tiff, const TiffLayout& layout) : m_tiff(tiff), m_layout(layout) {}

TiffRgbaDecoder::~TiffRgbaDecoder() {
  if (m_begun) TIFFRGBAImageEnd(&m_reader);
}

bool TiffRgbaDecoder::Begin(std::string& error) {
  char message[1024] = "";
  if (!TIFFRGBAImageOK(m_tiff, message) || !TIFFRGBAImageBegin(&m_reader, m_tiff, 1, message)) {
    error = message;
    return false;
  }
  m_begun = true;
  // Rows come in file order; the caller places them by the orientation.
  m_reader.req_orientation = m_reader.orientation;
  const std::size_t rowBytes = std::size_t(m_layout.width) * 4;
  m_bandRows = static_cast<int>(std::clamp<std::size_t>(kBandBytes / rowBytes, 1, m_layout.height));
  std::uint32_t unit = 0;
  if (m_layout.tiled ? TIFFGetField(m_tiff, TIFFTAG_TILELENGTH, &unit)
                     : TIFFGetFieldDefaulted(m_tiff, TIFFTAG_ROWSPERSTRIP, &unit))
    if (unit > 0 && unit <= std::uint32_t(m_layout.height) && unit * rowBytes <= kBandBytes)
      m_bandRows = static_cast<int>(unit);  // a damaged strip then costs only its own rows
  m_band.resize(std::size_t(m_bandRows) * m_layout.width);
  return true;
}

bool TiffRgbaDecoder::ReadBand() {
  m_bandStart = m_row;
  m_bandFilled = std::min(m_bandRows, m_layout.height - m_row);
  m_reader.row_offset = m_bandStart;
  m_reader.col_offset = 0;
  return TIFFRGBAImageGet(&m_reader, m_band.data(), m_layout.width, m_bandFilled) != 0;
}

int TiffRgbaDecoder::ReadRow(unsigned char* buffer, int pixels) {
  if (m_status != 0) return m_status;
  if (m_row >= m_layout.height || (m_row >= m_bandStart + m_bandFilled && !ReadBand()))
    return m_status = kFailed;
  const std::uint32_t* src = &m_band[std::size_t(m_row - m_bandStart) * m_layout.width];
  for (int x = 0; x < pixels; ++x, buffer += 4) {
    buffer[0] = static_cast<unsigned char>(TIFFGetR(src[x]));
    buffer[1] = static_cast<unsigned char>(TIFFGetG(src[x]));
    buffer[2] = static_cast<unsigned char>(TIFFGetB(src[x]));
    buffer[3] = static_cast<unsigned char>(TIFFGetA(src[x]));
  }
  ++m_row;
  if (m_layout.RightToLeft()) ReverseRow(buffer - 4 * pixels, pixels, 4);
  return 0;
}

}  // namespace pixcodec
