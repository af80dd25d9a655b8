// JPEGs written by independent encoders decode to the same pixels as
// libjpeg-turbo's own command-line decoder gives.
#include <gtest/gtest.h>

#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

constexpr const char* kCjpeg = "/usr/bin/cjpeg";
constexpr const char* kDjpeg = "/usr/bin/djpeg";

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
