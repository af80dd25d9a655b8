// The photo encoder and the photo's JPEG written with its thumbnail in two steps.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/PhotoJpeg.h"
#include "pixlib/codecs/jpeg/JfifDensity.h"
#include "pixlib/codecs/jpeg/SystemJpegEncoder.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

std::vector<unsigned char> TurboJpegBytes(const pixcodec::PixelView& view, int quality, int dpi) {
  const int format = view.channels == 1 ? TJPF_GRAY : view.channels == 3 ? TJPF_BGR : TJPF_BGRA;
  tjhandle handle = tjInitCompress();
  unsigned char* encoded = nullptr;
  unsigned long size = 0;
  const int result = tjCompress2(handle, view.data, view.width, static_cast<int>(view.step), view.height,
                                 format, &encoded, &size, view.channels == 1 ? TJSAMP_GRAY : TJSAMP_420,
                                 quality, view.bottomUp ? TJFLAG_BOTTOMUP : 0);
  std::vector<unsigned char> bytes(encoded, encoded + (result == 0 ? size : 0));
  tjFree(encoded);
  tjDestroy(handle);
  pixcodec::SetJfifDensity(bytes.data(), bytes.size(), {1, dpi, dpi});
  return bytes;
}

// Stored files and peers see the same bytes since the encoder streams its output.
TEST(PhotoJpegTest, ThePhotoEncoderWritesWhatTurboJpegWrites) {
  CxImage colour, withAlpha;
  MakePattern(colour, 301, 203);
  MakePattern(withAlpha, 64, 33, true);
  std::vector<unsigned char> grey(97 * 55);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<unsigned char>(i * 7 % 251);
  pixcodec::PixelView greyView{grey.data(), 97, 55, 1, 97, false, {}};
  for (pixcodec::PixelView view : {pixcodec::ViewOf(colour), pixcodec::ViewOf(withAlpha), greyView})
    for (bool bottomUp : {false, true})
      for (int quality : {10, 90, 97}) {
        view.bottomUp = bottomUp;
        std::vector<unsigned char> ours;
        pixcodec::VectorSink sink(ours);
        ASSERT_TRUE(pixcodec::EncodeJpegSystem(view, quality, 300, 300, sink));
        EXPECT_EQ(ours, TurboJpegBytes(view, quality, 300))
            << view.channels << " channels, quality " << quality << ", bottom up " << bottomUp;
      }
}

// Large photos take the overlapped decoding; small ones are read back from the file.
TEST(PhotoJpegTest, WritesTheFileAndThumbnailOfSaveAndLoadThumbnail) {
  TempDir dir;
  const std::string reference = dir.Path("reference.jpg"), ours = dir.Path("ours.jpg");
  for (const auto& [width, height] : {std::pair{2600, 1800}, {1501, 1001}, {700, 500}}) {
    CxImage image, referenceShown, shown;
    MakePattern(image, width, height);
    ASSERT_EQ(1, image.Save(reference.c_str(), 2, 0, 90, nullptr, 1));
    ASSERT_EQ(1, referenceShown.LoadThumbnail(reference.c_str(), 1, 1, 1024, 1, 0, nullptr));
    PhotoJpeg jpeg;
    ASSERT_EQ(1, jpeg.Write(image, ours.c_str(), 90));
    ASSERT_EQ(1, jpeg.AppendThumbnail(1024, shown));
    EXPECT_EQ(ReadBytes(reference), ReadBytes(ours)) << width << " x " << height;
    ASSERT_EQ(referenceShown.Width(), shown.Width());
    ASSERT_EQ(referenceShown.Height(), shown.Height());
    EXPECT_EQ(0, MaxDifference(referenceShown, shown)) << width << " x " << height;
  }
}

}  // namespace
