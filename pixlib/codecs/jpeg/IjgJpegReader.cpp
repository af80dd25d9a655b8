#include "pixlib/codecs/jpeg/IjgJpegReader.h"

#include <vector>

#include "pixlib/codecs/ChannelLayout.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/jpeg/JpegCodecObjects.h"
#include "pixlib/codecs/jpeg/JpegSource.h"

namespace pixcodec {

namespace {

char kLoadingJpeg[] = "Loading JPEG";

J_COLOR_SPACE OutputSpace(const ChannelLayout& layout) {
  if (layout.fromFourComponents) return JCS_CMYK;
  return layout.channels == 4 ? JCS_EXT_BGRA : JCS_EXT_BGR;
}

// Reads the header and fixes the output: scale, colour arrangement, size.
bool PrepareDecode(IjgDecompressor& d, const IjgReadOptions& options, ChannelLayout& layout,
                   DecodedImageInfo& out) {
  bool known = false;
  const bool ok = d.trap.Guarded([&] {
    jpeg_read_header(&d.info, TRUE);
    known = ChannelLayout::Choose(d.info.num_components, options.channelMode, layout);
    if (!known) return;
    d.info.scale_num = 1;
    d.info.scale_denom = static_cast<unsigned>(NormalisedReduction(options.reduction));
    d.info.out_color_space = OutputSpace(layout);
    jpeg_calc_output_dimensions(&d.info);
  });
  if (!ok || !known) return false;
  out.width = static_cast<int>(d.info.output_width);
  out.height = static_cast<int>(d.info.output_height);
  out.channels = layout.channels;
  out.components = d.info.num_components;
  if (d.info.saw_JFIF_marker) {
    out.dpiX = DensityToDpi(d.info.density_unit, d.info.X_density);
    out.dpiY = DensityToDpi(d.info.density_unit, d.info.Y_density);
  }
  return true;
}

// Each scanline goes to its row of the image, or through a row buffer into
// the rows of a tiled image.
bool DecodeRows(IjgDecompressor& d, const ChannelLayout& layout, const PixelView& view,
                unsigned char* cmykRow, bool reported) {
  std::vector<unsigned char> rowBuffer(view.data != nullptr ? 0 : view.rows.rowBytes);
  bool stored = true;
  const bool decoded = d.trap.Guarded([&] {
    jpeg_start_decompress(&d.info);
    const long total = view.height;
    if (reported) ImgProgress(0, total, kLoadingJpeg);
    while (d.info.output_scanline < d.info.output_height && stored) {
      const int line = static_cast<int>(d.info.output_scanline);
      unsigned char* dst = view.data != nullptr ? view.TopRow(line) : rowBuffer.data();
      JSAMPROW row = layout.fromFourComponents ? cmykRow : dst;
      jpeg_read_scanlines(&d.info, &row, 1);
      if (layout.fromFourComponents) ConvertCmykRow(cmykRow, dst, view.width, view.channels);
      if (view.data == nullptr) stored = view.rows.put(view.rows.owner, view.StoredRow(line), dst);
    }
    if (!stored) return;
    if (reported) ImgProgress(total, total, nullptr);
    jpeg_finish_decompress(&d.info);
  });
  return decoded && stored;
}

}  // namespace

bool ReadJpegHeader(std::FILE* file, StreamFilter* filter, JpegHeader& header) {
  IjgDecompressor d;
  JpegSource source(file, filter);
  if (!d.Create()) return false;
  source.Attach(&d.info);
  if (!d.trap.Guarded([&] { jpeg_read_header(&d.info, TRUE); })) return false;
  header.width = static_cast<int>(d.info.image_width);
  header.height = static_cast<int>(d.info.image_height);
  header.components = d.info.num_components;
  return true;
}

bool ReadJpegIjg(std::FILE* file, const IjgReadOptions& options, DecodeTarget& target) {
  JpegSource source(file, options.filter);
  return ReadJpegIjg(source.Manager(), options, target);
}

bool ReadJpegIjg(jpeg_source_mgr& source, const IjgReadOptions& options, DecodeTarget& target) {
  IjgDecompressor d;
  ChannelLayout layout;
  DecodedImageInfo info;
  if (!d.Create()) return false;
  d.info.src = &source;
  const auto failed = [&](const char* why) {
    if (options.reported) ImgWarning("%s\n", why);
    return false;
  };
  if (!PrepareDecode(d, options, layout, info)) return failed("Error reading the file");
  if (!target.OnDisk() &&
      static_cast<long long>(info.width) * info.height * info.channels > kMaxDecodedBytes) {
    if (options.reported) ImgWarning("Image too large: %d x %d\n", info.width, info.height);
    return false;
  }
  PixelView view;
  if (!target.Create(info, view)) return false;
  std::vector<unsigned char> cmykRow(layout.fromFourComponents ? std::size_t(info.width) * 4 : 0);
  if (!DecodeRows(d, layout, view, cmykRow.data(), options.reported)) return failed("Error reading the file");
  if (d.trap.Warnings() > 0 && options.reported) ImgWarning("Corrupt JPEG data: %s\n", d.trap.Message());
  return true;
}

}  // namespace pixcodec
