#include "pixlib/codecs/Thumbnail.h"

#include "pixlib/codecs/jpeg/FastJpegReader.h"
#include "pixlib/codecs/jpeg/IjgJpegWriter.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/ThumbnailSection.h"
#include "pixlib/core/CxImage.h"

using namespace pixcodec;

namespace {

constexpr int kThumbnailQuality = 90;
constexpr int kLargestReduction = 8;

int ThumbnailReduction(const ThumbnailRecord& record, int size) {
  int d = 1;
  while (d < kLargestReduction && (record.width / d > size || record.height / d > size)) d *= 2;
  return d;
}

bool DecodeRecord(CxImage& image, const ThumbnailRecord& record, int channelMode, int size) {
  ImageDecodeTarget target(image);
  const FastReadOptions options{channelMode, ThumbnailReduction(record, size), true};
  return !record.jpeg.empty() && ReadJpegFast(record.jpeg.data(), record.jpeg.size(), options, target);
}

void CutBrokenThumbnail(const char* path) {
  StdioFile file = OpenFile(path, "r+b");
  TrailerInfo info;
  if (!file || !ReadTrailerInfo(file.get(), info) || !CutThumbnailSection(file.get(), info))
    ImgWarning("Broken thumbnail left in %s\n", path);
}

}  // namespace

int LoadThumbNail(CxImage& image, const char* path, int channelMode, int size) {
  ThumbnailRecord record;
  RecordStatus status = RecordStatus::Absent;
  {
    StdioFile file = OpenFile(path, "rb");
    TrailerInfo info;
    if (!file || !ReadTrailerInfo(file.get(), info)) return 0;
    status = ReadThumbnailRecord(file.get(), info, record);
  }
  if (status == RecordStatus::Absent) return 0;
  if (status == RecordStatus::Read && DecodeRecord(image, record, channelMode, size)) return 1;
  CutBrokenThumbnail(path);
  return 0;
}

int WriteThumbNail(CxImage& image, const char* path) {
  if (!image.IsValid()) return 0;
  ThumbnailRecord record;
  record.width = image.Width();
  record.height = image.Height();
  VectorSink sink(record.jpeg);
  const CSize dpi = image.Resolution();
  const IjgWriteOptions options{kThumbnailQuality, true, dpi.cx, dpi.cy, nullptr};
  if (!WriteJpegIjg(ViewOf(image), options, sink)) return 0;

  StdioFile file = OpenFile(path, "r+b");
  if (!file) {
    ImgWarning("Can't open file %s\n", path);
    return 0;
  }
  TrailerInfo info;
  if (ReadTrailerInfo(file.get(), info) && StoreThumbnailRecord(file.get(), info, record)) return 1;
  ImgWarning("Can't write the thumbnail of %s\n", path);
  return 0;
}
