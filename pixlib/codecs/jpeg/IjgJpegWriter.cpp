#include "pixlib/codecs/jpeg/IjgJpegWriter.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "pixlib/codecs/ChannelLayout.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/jpeg/JpegCodecObjects.h"

namespace pixcodec {

namespace {

char kWritingJpeg[] = "Writing JPEG";

bool SetInput(jpeg_compress_struct& info, int channels, bool withAlpha) {
  info.input_components = channels;
  switch (channels) {
    case 1:
      info.in_color_space = JCS_GRAYSCALE;
      return true;
    case 3:
      info.in_color_space = JCS_EXT_BGR;
      return true;
    case 4:
      info.in_color_space = withAlpha ? JCS_CMYK : JCS_EXT_BGRX;
      return true;
    default:
      return false;
  }
}

JDIMENSION Density(int dpi) { return static_cast<JDIMENSION>(std::clamp(dpi, 1, 65535)); }

void SetParameters(jpeg_compress_struct& info, const IjgWriteOptions& options, bool withAlpha) {
  jpeg_set_defaults(&info);
  if (withAlpha) jpeg_set_colorspace(&info, JCS_YCCK);
  if (options.quality < 0) {
    info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 4;
    for (int c = 1; c < info.num_components; ++c)
      info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  }
  jpeg_set_quality(&info, std::abs(options.quality), options.photoEncoder ? TRUE : FALSE);
  if (options.photoEncoder && options.quality < 96) info.dct_method = JDCT_IFAST;
  info.density_unit = 1;
  info.X_density = static_cast<UINT16>(Density(options.dpiX));
  info.Y_density = static_cast<UINT16>(Density(options.dpiY));
}

}  // namespace

bool WriteJpegIjg(const PixelView& view, const IjgWriteOptions& options, ByteSink& sink) {
  if (view.width <= 0 || view.height <= 0 || (view.data == nullptr && view.rows.get == nullptr)) return false;
  const bool withAlpha = view.channels == 4 && options.keepAlpha;
  IjgCompressor c;
  JpegDestination destination(sink, options.filter);
  std::vector<unsigned char> cmykRow(withAlpha ? std::size_t(view.width) * 4 : 0);
  std::vector<unsigned char> rowBuffer(view.data != nullptr ? 0 : view.rows.rowBytes);
  unsigned char* cmyk = cmykRow.data();
  bool fetched = true;
  if (!c.Create()) return false;
  destination.Attach(&c.info);
  c.info.image_width = static_cast<JDIMENSION>(view.width);
  c.info.image_height = static_cast<JDIMENSION>(view.height);
  if (!SetInput(c.info, view.channels, withAlpha)) return false;
  const bool written = c.trap.Guarded([&] {
    SetParameters(c.info, options, withAlpha);
    jpeg_start_compress(&c.info, TRUE);
    if (options.iccProfile != nullptr && !options.iccProfile->empty())
      jpeg_write_icc_profile(&c.info, options.iccProfile->data(),
                             static_cast<unsigned>(options.iccProfile->size()));
    const long total = view.height;
    const bool reported = !options.photoEncoder;
    if (reported) ImgProgress(0, total, kWritingJpeg);
    for (int row = 0; row < view.height; ++row) {
      JSAMPROW source = view.data != nullptr ? view.TopRow(row) : rowBuffer.data();
      if (view.data == nullptr && !(fetched = view.rows.get(view.rows.owner, view.StoredRow(row), source)))
        break;
      if (withAlpha) {
        ConvertRowToCmyk(source, cmyk, view.width, 4);
        source = cmyk;
      }
      jpeg_write_scanlines(&c.info, &source, 1);
      if (reported) ImgProgress(row + 1, total, nullptr);
    }
    if (fetched) jpeg_finish_compress(&c.info);
  });
  // The photo encoder is silent: its caller falls back to the IJG writer, which reports.
  if (!written && !options.photoEncoder) ImgWarning("Error writing JPEG: %s\n", c.trap.Message());
  if (!fetched) ImgWarning("Error writing JPEG: a row of the image could not be read\n");
  return written && fetched;
}

}  // namespace pixcodec
