#include "pixlib/codecs/png/PngDecoder.h"

#include <cstdint>
#include <cstring>

#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/bmp/BmpHeader.h"

namespace pixcodec {

namespace {

// Ancillary chunks above 16 MB, or above 64 MB together, are refused.
constexpr std::size_t kChunkLimit = 16u << 20;
constexpr std::size_t kChunkCacheLimit = 64u << 20;

bool Decoded(int result) { return result == 0 || result == SPNG_EOI; }

}  // namespace

PngStream::PngStream(std::FILE* file) : m_file(file), m_left(BaseImageEnd(file)) {
  if (std::fseek(file, 0, SEEK_SET) != 0) m_left = 0;
}

int PngStream::Read(spng_ctx*, void* stream, void* dst, std::size_t length) {
  auto* self = static_cast<PngStream*>(stream);
  if (static_cast<long>(length) > self->m_left) return SPNG_IO_EOF;
  if (std::fread(dst, 1, length, self->m_file) != length)
    return std::ferror(self->m_file) ? SPNG_IO_ERROR : SPNG_IO_EOF;
  self->m_left -= static_cast<long>(length);
  return 0;
}

SpngContext OpenPngDecoder(PngStream& stream) {
  SpngContext ctx(spng_ctx_new(0));
  if (!ctx || spng_set_chunk_limits(ctx.get(), kChunkLimit, kChunkCacheLimit) != 0 ||
      spng_set_png_stream(ctx.get(), PngStream::Read, &stream) != 0)
    return nullptr;
  return ctx;
}

const char* ReadPngInfo(spng_ctx* ctx, PngInfo& info) {
  info = PngInfo{};
  spng_ihdr ihdr{};
  if (const int error = spng_get_ihdr(ctx, &ihdr)) return spng_strerror(error);
  if (ihdr.width > 0x7FFFFFFF || ihdr.height > 0x7FFFFFFF) return "PNG image too large";
  info.width = static_cast<int>(ihdr.width);
  info.height = static_cast<int>(ihdr.height);
  info.bitDepth = ihdr.bit_depth;
  info.colourType = ihdr.color_type;
  info.interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
  spng_trns trns{};
  info.hasAlpha = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                  ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || spng_get_trns(ctx, &trns) == 0;
  spng_phys phys{};
  if (spng_get_phys(ctx, &phys) == 0 && phys.unit_specifier == 1) {
    info.dpiX = PixelsPerMetreToDpi(static_cast<std::int32_t>(phys.ppu_x));
    info.dpiY = PixelsPerMetreToDpi(static_cast<std::int32_t>(phys.ppu_y));
  }
  return nullptr;
}

PngDecoder::PngDecoder(spng_ctx* ctx, const PngInfo& info) : m_ctx(ctx), m_info(info) {}

int PngDecoder::DecodedFormat() const {
  if (m_info.bitDepth == 16) return SPNG_FMT_RGBA16;
  return m_info.hasAlpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
}

std::size_t PngDecoder::DecodedRowBytes() const {
  const std::size_t bytes = m_info.bitDepth == 16 ? 8 : m_info.hasAlpha ? 4 : 3;
  return std::size_t(m_info.width) * bytes;
}

bool PngDecoder::Begin(const char*& error) {
  const int format = DecodedFormat();
  // A damaged header may claim a width whose single row outgrows any image.
  if (DecodedRowBytes() > std::size_t(kMaxDecodedBytes)) {
    error = "PNG image too large";
    return false;
  }
  if (!m_info.interlaced) {
    m_rows.resize(DecodedRowBytes());
    const int result =
        spng_decode_image(m_ctx, nullptr, 0, format, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
    // A file cut inside its first image data chunk: no row comes.
    if (result == SPNG_IO_EOF || result == SPNG_EOF) m_status = kFailed;
    error = result != 0 && m_status == 0 ? spng_strerror(result) : nullptr;
    return error == nullptr;
  }
  const std::size_t total = DecodedRowBytes() * std::size_t(m_info.height);
  if (total > std::size_t(kMaxDecodedBytes)) {
    error = "PNG image too large";
    return false;
  }
  m_rows.resize(total);
  // A damaged interlaced image gives no rows at all: they read as missing.
  if (!Decoded(spng_decode_image(m_ctx, m_rows.data(), m_rows.size(), format, SPNG_DECODE_TRNS)))
    m_status = kFailed;
  error = nullptr;
  return true;
}

void PngDecoder::Narrow(const unsigned char* decoded, unsigned char* buffer, int pixels) const {
  if (m_info.bitDepth != 16) {
    std::memcpy(buffer, decoded, std::size_t(pixels) * (m_info.hasAlpha ? 4 : 3));
    return;
  }
  const int keep = m_info.hasAlpha ? 4 : 3;
  for (int x = 0; x < pixels; ++x, decoded += 8)
    for (int c = 0; c < keep; ++c) {
      std::uint16_t sample;
      std::memcpy(&sample, decoded + 2 * c, 2);
      *buffer++ = static_cast<unsigned char>(sample / 257u);
    }
}

int PngDecoder::ReadRow(unsigned char* buffer, int pixels) {
  if (m_status != 0) return m_status;
  if (m_row >= m_info.height) return m_status = kFailed;
  const unsigned char* decoded = m_rows.data();
  if (m_info.interlaced)
    decoded += DecodedRowBytes() * std::size_t(m_row);
  else if (!Decoded(spng_decode_row(m_ctx, m_rows.data(), m_rows.size())))
    return m_status = kFailed;
  Narrow(decoded, buffer, pixels);
  ++m_row;
  return 0;
}

}  // namespace pixcodec
