#include <algorithm>
#include <cstdio>
#include <vector>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/tiff/TiffHandle.h"
#include "pixlib/core/CxImage.h"
#include "platform/FileReplace.h"

using namespace pixcodec;

namespace {

void SetTags(TIFF* tiff, const PixelView& view, CSize dpi) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(view.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(view.height));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, view.channels);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, view.channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
  if (view.channels == 4) {
    const std::uint16_t unassociated = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &unassociated);
  }
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(dpi.cx));
  TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(dpi.cy));
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
}

// The top of the picture first, B, G, R(, A) turned into R, G, B(, A).
bool WriteRows(TIFF* tiff, const PixelView& view) {
  std::vector<unsigned char> row(std::size_t(view.width) * view.channels);
  const int rowBytes = static_cast<int>(row.size());
  for (int y = 0; y < view.height; ++y) {
    const unsigned char* src = view.TopRow(y);
    if (view.channels == 1)
      std::copy_n(src, row.size(), row.begin());
    else if (view.channels == 3)
      SwapRow3(src, row.data(), nullptr, view.width, rowBytes, 1);
    else
      SwapRow4(src, row.data(), nullptr, view.width, rowBytes, 1);
    if (TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0) < 0) return false;
    ImgProgress(y, view.height, nullptr);
  }
  return true;
}

}  // namespace

int WriteTiffFile(CxImage& image, const char* path, int, int, unsigned char*) {
  const PixelView view = ViewOf(image);
  if (view.data == nullptr || path == nullptr || image.BitsPerSample() != 8) return 0;
  if (view.channels != 1 && view.channels != 3 && view.channels != 4) return 0;
  bx::ReplacingFile file(path);
  TiffHandle tiff(file.Get() != nullptr ? fileno(file.Get()) : -1, path, "w");
  if (!tiff) {
    ImgWarning("Can't open file %s\n", path);
    return 0;
  }
  SetTags(tiff.get(), view, image.Resolution());
  bool written = false;
  try {
    written = WriteRows(tiff.get(), view);
  } catch (const std::bad_alloc&) {
    written = false;
  }
  written = tiff.Close() && written && file.Commit();
  if (!written) ImgWarning("Error writing TIFF file %s %s\n", path, tiff.LastError().c_str());
  return written ? 1 : 0;
}
