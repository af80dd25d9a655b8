#include "pixlib/codecs/RasterReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pixlib/codecs/ChannelLayout.h"
#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/StdioFile.h"

namespace pixcodec {

namespace {

constexpr unsigned char kMissingDataGrey = 128;
// Plain rows are read into the image in a few large reads, with progress
// reported between them.
constexpr std::size_t kPlainReadBytes = 4u << 20;

// The file's rows are the image's rows without conversion, in memory, at full size.
bool SameRows(const RasterSource& source, const PixelView& view, int reduction) {
  return reduction == 1 && view.data != nullptr && view.rows.owner == nullptr &&
         SourceBytes(source.pixels) == view.channels &&
         (source.pixels == SourcePixels::Bgr || source.pixels == SourcePixels::Bgra) &&
         source.width == view.width && source.height == view.height;
}

// The file's rows are the image's stored rows byte for byte: same pixels,
// same padding, same order, one after another in memory.
bool StoredAsInFile(const RasterSource& source, const PixelView& view, int reduction) {
  const std::size_t rowBytes = source.decoder.PlainRowBytes();
  return SameRows(source, view, reduction) && rowBytes > 0 && view.step > 0 &&
         rowBytes == std::size_t(view.step) && source.topFirst == !view.bottomUp;
}

// Reads the pixel data straight into the image's memory; returns how many
// whole rows the file held.
int ReadPlainRows(const RasterSource& source, const PixelView& view) {
  const std::size_t rowBytes = std::size_t(view.step);
  const std::size_t chunkRows = std::max<std::size_t>(1, kPlainReadBytes / rowBytes);
  int rows = 0;
  while (rows < view.height) {
    const std::size_t want = std::min<std::size_t>(chunkRows, std::size_t(view.height - rows));
    const std::size_t got = source.decoder.ReadPlain(view.data + rows * rowBytes, want * rowBytes);
    rows += static_cast<int>(got / rowBytes);
    ImgProgress(rows, view.height, nullptr);
    if (got < want * rowBytes) break;
  }
  return rows;
}

// Lets the decoder write every row straight into the image; how many rows
// from the first it decoded whole, or -1 when it reads only row by row.
int DecodeRowsInPlace(const RasterSource& source, const PixelView& view) {
  // File row r is picture row r from the top or from the bottom.
  unsigned char* const firstRow = view.TopRow(source.topFirst ? 0 : view.height - 1);
  const std::ptrdiff_t pitch = view.bottomUp == source.topFirst ? -view.step : view.step;
  return source.decoder.DecodeRows(firstRow, pitch);
}

// Rows [kept, height) in file order never came: black after an end-of-image
// code, grey when the data ran out.
void FillMissingRows(const RasterSource& source, const PixelView& view, int kept, RasterEnd end) {
  const unsigned char level = end == RasterEnd::Truncated ? kMissingDataGrey : 0;
  if (source.topFirst)
    FillTopRows(view, kept, view.height, level);
  else
    FillTopRows(view, 0, view.height - kept, level);
}

// The end of a read that placed the first `kept` file rows whole.
RasterEnd EndOfRows(const RasterSource& source, const PixelView& view, int kept) {
  if (kept == view.height) return RasterEnd::Complete;
  FillMissingRows(source, view, kept, RasterEnd::Truncated);
  return RasterEnd::Truncated;
}

}  // namespace

bool CreateRasterImage(CxImage& image, const RasterFormat& format, int channelMode, int reduction,
                       PixelView& view, NewBits bits) {
  DecodedImageInfo info;
  info.width = FloorReducedSize(format.width, reduction);
  info.height = FloorReducedSize(format.height, reduction);
  info.components = format.fileHasAlpha ? 4 : 3;
  ChannelLayout layout;
  ChannelLayout::Choose(info.components, channelMode, layout);
  info.channels = layout.channels;
  info.dpiX = format.dpiX;
  info.dpiY = format.dpiY;
  // The decoders' row buffers hold up to four bytes per file pixel.
  if (static_cast<long long>(info.width) * info.height * info.channels > kMaxDecodedBytes ||
      static_cast<long long>(format.width) * 4 > kMaxDecodedBytes) {
    ImgWarning("Image too large: %d x %d\n", info.width, info.height);
    return false;
  }
  ImageDecodeTarget target(image, false, bits);
  return target.Create(info, view);
}

void FillTopRows(const PixelView& view, int firstTopRow, int endTopRow, unsigned char level) {
  for (int row = firstTopRow; row < endTopRow; ++row) {
    unsigned char* dst = view.TopRow(row);
    if (view.channels != 4) {
      std::memset(dst, level, std::size_t(view.width) * view.channels);
      continue;
    }
    for (int x = 0; x < view.width; ++x, dst += 4) {
      dst[0] = dst[1] = dst[2] = level;
      dst[3] = 255;
    }
  }
}

namespace {

// ReadRaster's work; when it throws, rows it had not reached are undefined.
RasterEnd ReadRows(const RasterSource& source, const PixelView& view, int reduction) {
  ImgProgress(0, view.height, source.progressText);
  if (StoredAsInFile(source, view, reduction)) return EndOfRows(source, view, ReadPlainRows(source, view));
  // Rows that need no conversion are decoded straight into the image: all at
  // once where the decoder can, else row by row.
  const bool direct = SameRows(source, view, reduction);
  if (direct) {
    const int kept = DecodeRowsInPlace(source, view);
    if (kept >= 0) {
      ImgProgress(kept, view.height, nullptr);
      return EndOfRows(source, view, kept);
    }
  }
  const RowConverter convert = ChooseConverter(source.pixels, view.channels);
  std::vector<unsigned char> row(std::size_t(source.width) * SourceBytes(source.pixels));
  const int rowBytes = view.width * view.channels;
  int kept = 0;
  RasterEnd end = RasterEnd::Complete;
  for (int fileRow = 0; kept < view.height && fileRow < source.height; ++fileRow) {
    unsigned char* target = view.TopRow(source.topFirst ? kept : view.height - 1 - kept);
    const bool keep = fileRow % reduction == 0;
    const int status = source.decoder.ReadRow(direct ? target : row.data(), source.width);
    if (status != 0 && status != Decoder::kEndOfImage) {
      end = RasterEnd::Truncated;
      break;
    }
    if (keep) {
      if (!direct) convert(row.data(), target, source.palette, source.width, rowBytes, reduction);
      ImgProgress(++kept, view.height, nullptr);
    }
    if (status == Decoder::kEndOfImage) {
      end = RasterEnd::EndOfImage;
      break;
    }
  }
  if (kept < view.height) {
    if (end == RasterEnd::Complete) end = RasterEnd::Truncated;
    FillMissingRows(source, view, kept, end);
  }
  return end;
}

}  // namespace

RasterEnd ReadRaster(const RasterSource& source, const PixelView& view, int reduction) {
  try {
    return ReadRows(source, view, reduction);
  } catch (...) {
    FillTopRows(view, 0, view.height, 0);  // no undefined pixels, whatever was decoded
    throw;
  }
}

int LoadFromFile(const char* path, const char* notFound, const std::function<int(std::FILE*)>& load) {
  StdioFile file = OpenFile(path, "rb");
  if (!file) {
    ImgWarning("%s\n", notFound);
    return 0;
  }
  try {
    return load(file.get());
  } catch (const std::bad_alloc&) {
    ImgWarning("Insufficient memory to load image\n");
    return 0;
  }
}

void WarnTruncated(const char* format, RasterEnd end) {
  if (end == RasterEnd::Truncated) ImgWarning("Premature end of %s file: image incomplete\n", format);
}

}  // namespace pixcodec
