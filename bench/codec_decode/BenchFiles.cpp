#include "bench/codec_decode/BenchFiles.h"

#include <tiffio.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/bmp/BmpWriter.h"
#include "pixlib/core/CxImage.h"

namespace bxbench {

namespace {

using Bytes = std::vector<unsigned char>;

void Put16(Bytes& b, int v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}

bool Save(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bool(out);
}

}  // namespace

bool WriteBmp(CxImage& photo, const std::string& path) {
  return pixcodec::WriteBmpFile(pixcodec::ViewOf(photo), path.c_str(), 72, 72);
}

bool WriteTga(CxImage& photo, const std::string& path) {
  const pixcodec::PixelView view = pixcodec::ViewOf(photo);
  Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(b, view.width);
  Put16(b, view.height);
  b.push_back(24);
  b.push_back(0);
  for (int y = view.height - 1; y >= 0; --y)
    b.insert(b.end(), view.TopRow(y), view.TopRow(y) + view.width * 3);
  return Save(path, b);
}

bool WritePcx(CxImage& photo, const std::string& path) {
  const pixcodec::PixelView view = pixcodec::ViewOf(photo);
  const int bytesPerLine = view.width + (view.width & 1);
  Bytes b = {10, 5, 1, 8, 0, 0, 0, 0};
  Put16(b, view.width - 1);
  Put16(b, view.height - 1);
  Put16(b, 72);
  Put16(b, 72);
  b.resize(65, 0);
  b.push_back(3);
  Put16(b, bytesPerLine);
  Put16(b, 1);
  b.resize(128, 0);
  Bytes line(bytesPerLine);
  for (int y = 0; y < view.height; ++y)
    for (int plane = 2; plane >= 0; --plane) {  // R, G, B
      for (int x = 0; x < view.width; ++x) line[x] = view.TopRow(y)[3 * x + plane];
      for (int x = 0; x < bytesPerLine;) {
        int run = 1;
        while (x + run < bytesPerLine && run < 63 && line[x + run] == line[x]) ++run;
        if (run > 1 || line[x] >= 0xC0) b.push_back(static_cast<unsigned char>(0xC0 | run));
        b.push_back(line[x]);
        x += run;
      }
    }
  return Save(path, b);
}

bool WriteTiff(CxImage& photo, const std::string& path, bool lzw) {
  if (!lzw) return WriteTiffFile(photo, path.c_str(), 0, 0, nullptr) != 0;
  const pixcodec::PixelView view = pixcodec::ViewOf(photo);
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (tiff == nullptr) return false;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, view.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, view.height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  Bytes row(std::size_t(view.width) * 3);
  bool ok = true;
  for (int y = 0; y < view.height && ok; ++y) {
    const unsigned char* src = view.TopRow(y);
    for (int x = 0; x < view.width; ++x)
      row[3 * x] = src[3 * x + 2], row[3 * x + 1] = src[3 * x + 1], row[3 * x + 2] = src[3 * x];
    ok = TIFFWriteScanline(tiff, row.data(), y, 0) >= 0;
  }
  TIFFClose(tiff);
  return ok;
}

}  // namespace bxbench
