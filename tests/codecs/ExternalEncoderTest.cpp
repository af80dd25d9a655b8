// JPEGs written by independent encoders decode to the same pixels as
// libjpeg-turbo's own command-line decoder gives.
#include <gtest/gtest.h>

#include "pixlib/codecs/ImageView.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

constexpr const char* kCjpeg = "/usr/bin/cjpeg";
constexpr const char* kDjpeg = "/usr/bin/djpeg";

// Largest difference between our decoded image and a top-down PNM.
int DifferenceFromPnm(CxImage& image, const Pnm& pnm) {
  if (image.Width() != pnm.width || image.Height() != pnm.height) return 256;
  const pixcodec::PixelView view = pixcodec::ViewOf(image);
  int worst = 0;
  for (int y = 0; y < pnm.height; ++y)
    for (int x = 0; x < pnm.width; ++x) {
      const unsigned char* ours = view.TopRow(y) + x * view.channels;
      const unsigned char* theirs = &pnm.pixels[(std::size_t(y) * pnm.width + x) * pnm.channels];
      for (int c = 0; c < 3; ++c) {
        const int expected = pnm.channels == 1 ? theirs[0] : theirs[2 - c];
        worst = std::max(worst, std::abs(ours[c] - expected));
      }
    }
  return worst;
}

class ExternalEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ToolPresent(kCjpeg) || !ToolPresent(kDjpeg))
      GTEST_SKIP() << "libjpeg-turbo-progs (" << kCjpeg << ", " << kDjpeg << ") not installed";
    CxImage source;
    MakePattern(source, 203, 117);
    WritePpm(dir.Path("in.ppm"), source);
  }
  void Expect(const std::string& cjpegOptions, int reduction, int mode) {
    const std::string jpeg = dir.Path("ext.jpg"), decoded = dir.Path("ref.pnm");
    ASSERT_TRUE(RunCommand(std::string(kCjpeg) + " " + cjpegOptions + " -outfile " + jpeg + " " +
                    dir.Path("in.ppm")));
    const std::string scale = reduction > 1 ? " -scale 1/" + std::to_string(reduction) : "";
    ASSERT_TRUE(RunCommand(std::string(kDjpeg) + scale + " -pnm -outfile " + decoded + " " + jpeg));
    Pnm reference;
    ASSERT_TRUE(ReadPnm(decoded, reference));
    CxImage ours;
    ASSERT_EQ(1, ours.Load(jpeg.c_str(), mode, reduction, 0, 0, nullptr));
    EXPECT_EQ(mode == 2 ? 4 : 3, ours.SamplesPerPixel());
    EXPECT_EQ(0, DifferenceFromPnm(ours, reference));
  }
  TempDir dir;
};

TEST_F(ExternalEncoderTest, BaselineColourAtEveryReduction) {
  for (int reduction : {1, 2, 4, 8}) {
    SCOPED_TRACE(reduction);
    Expect("-quality 85", reduction, 0);
  }
}

TEST_F(ExternalEncoderTest, ProgressiveAndUnsubsampledFiles) {
  Expect("-progressive -quality 75", 1, 2);
  Expect("-sample 1x1 -quality 92", 2, 1);
  Expect("-optimize -restart 3 -quality 60", 1, 0);
}

// A grey JPEG read in mode 0 gives three equal channels.
TEST_F(ExternalEncoderTest, GreyFileGivesThreeChannels) {
  Expect("-grayscale -quality 90", 1, 0);
  Expect("-grayscale -quality 90", 4, 0);
}

}  // namespace
