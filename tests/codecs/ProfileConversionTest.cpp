// Embedded colour profiles: reading them from JPEG and TIFF files and
// converting loaded pixels to the target profile, against ImageMagick.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <algorithm>
#include <cstring>

#include "CodecTestSupport.h"
#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/icc/EmbeddedProfile.h"

namespace {

using namespace codectest;

// An APP2 "ICC_PROFILE" segment carrying one chunk.
std::vector<unsigned char> IccSegment(const std::vector<unsigned char>& data, int sequence, int count) {
  const std::size_t length = 2 + 12 + 2 + data.size();
  std::vector<unsigned char> segment(2 + length);
  segment[0] = 0xFF, segment[1] = 0xE2;
  segment[2] = static_cast<unsigned char>(length >> 8), segment[3] = static_cast<unsigned char>(length);
  std::memcpy(segment.data() + 4, "ICC_PROFILE", 12);
  segment[16] = static_cast<unsigned char>(sequence), segment[17] = static_cast<unsigned char>(count);
  std::copy(data.begin(), data.end(), segment.begin() + 18);
  return segment;
}

// The JPEG with the segments inserted after its start-of-image marker.
std::vector<unsigned char> WithSegments(std::vector<unsigned char> jpeg,
                                        const std::vector<std::vector<unsigned char>>& segments) {
  auto at = jpeg.begin() + 2;
  for (const auto& segment : segments) at = jpeg.insert(at, segment.begin(), segment.end()) + segment.size();
  return jpeg;
}

std::vector<unsigned char> JpegEmbeddedProfileOf(const std::vector<unsigned char>& bytes) {
  return pixcodec::JpegEmbeddedProfile(bytes.data(), bytes.size());
}

class ProfileConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ToolPresent("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick's /usr/bin/convert is not installed";
    // sRGB primaries with a linear curve: far from sRGB in the mid-tones.
    cmsCIExyY d65{0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve* curves[3] = {linear, linear, linear};
    SaveProfile(cmsCreateRGBProfile(&d65, &primaries, curves), linearIcc_);
    cmsFreeToneCurve(linear);
    SaveProfile(cmsCreate_sRGBProfile(), srgbIcc_);
    CxImage plain;
    MakePattern(plain, 96, 64);
    WritePpm(plain_, plain);
  }

  static void SaveProfile(cmsHPROFILE profile, const std::string& path) {
    ASSERT_NE(profile, nullptr);
    ASSERT_TRUE(cmsSaveProfileToFile(profile, path.c_str()));
    cmsCloseProfile(profile);
  }

  // Loads the file without conversion and converts those pixels with ImageMagick.
  Pnm ImageMagickConversion(const std::string& file, const std::string& from, const std::string& to) {
    CxImage asLoaded;
    EXPECT_TRUE(asLoaded.Load(file.c_str(), 0, 1, 0, 0, nullptr));
    WritePpm(dir_.Path("loaded.ppm"), asLoaded);
    EXPECT_TRUE(RunCommand("/usr/bin/convert " + dir_.Path("loaded.ppm") + " -profile " + from +
                           " -profile " + to + " -depth 8 " + dir_.Path("reference.ppm")));
    Pnm reference;
    EXPECT_TRUE(ReadPnm(dir_.Path("reference.ppm"), reference));
    return reference;
  }

  std::string Tagged(const std::string& name, const std::string& profile) {
    const std::string path = dir_.Path(name);
    EXPECT_TRUE(RunCommand("/usr/bin/convert " + plain_ + " -quality 95 -profile " + profile + " " + path));
    return path;
  }

  TempDir dir_;
  std::string linearIcc_ = dir_.Path("linear.icc");
  std::string srgbIcc_ = dir_.Path("srgb.icc");
  std::string plain_ = dir_.Path("plain.ppm");
};

TEST_F(ProfileConversionTest, EmbeddedProfilesConvertToSrgbLikeImageMagick) {
  for (const char* name : {"linear.jpg", "linear.tif"}) {
    const std::string file = Tagged(name, linearIcc_);
    const Pnm reference = ImageMagickConversion(file, linearIcc_, srgbIcc_);
    CxImage converted, plain;
    ASSERT_TRUE(converted.Load(file.c_str(), 0, 1, 1, 0, nullptr));
    ASSERT_TRUE(plain.Load(file.c_str(), 0, 1, 0, 0, nullptr));
    EXPECT_LE(DifferenceFromPnm(converted, reference), 2) << name;
    EXPECT_GT(MaxDifference(converted, plain), 20) << name;  // the conversion did something

    // Alpha is carried through, colours converted alike.
    CxImage withAlpha;
    ASSERT_TRUE(withAlpha.Load(file.c_str(), 2, 1, 1, 0, nullptr));
    ASSERT_EQ(withAlpha.SamplesPerPixel(), 4);
    EXPECT_EQ(PixelAt(withAlpha, 10, 10)[3], 255);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(PixelAt(withAlpha, 10, 10)[c], PixelAt(converted, 10, 10)[c]);
  }
  // Thumbnails of tagged files are converted too.
  const std::string file = dir_.Path("linear.jpg");
  CxImage thumbnail, plainThumbnail;
  ASSERT_TRUE(thumbnail.LoadThumbnail(file.c_str(), 0, 1, 32, 1, 1, nullptr));
  ASSERT_TRUE(plainThumbnail.LoadThumbnail(file.c_str(), 0, 1, 32, 1, 0, nullptr));
  EXPECT_GT(MaxDifference(thumbnail, plainThumbnail), 20);
}

TEST_F(ProfileConversionTest, SrgbTaggedUntaggedAndUnusableTargetsStayAsLoaded) {
  const std::string srgb = Tagged("srgb.jpg", srgbIcc_);
  CxImage converted, plain;
  ASSERT_TRUE(converted.Load(srgb.c_str(), 0, 1, 1, 0, nullptr));
  ASSERT_TRUE(plain.Load(srgb.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_LE(MaxDifference(converted, plain), 1);

  const std::string untagged = dir_.Path("untagged.jpg");
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + plain_ + " -quality 95 " + untagged));
  ASSERT_TRUE(converted.Load(untagged.c_str(), 0, 1, 1, 0, nullptr));
  ASSERT_TRUE(plain.Load(untagged.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(MaxDifference(converted, plain), 0);

  const std::string linear = Tagged("linear.jpg", linearIcc_);
  ASSERT_TRUE(plain.Load(linear.c_str(), 0, 1, 0, 0, nullptr));
  CxImage missingTarget;
  missingTarget.SetTargetProfile(dir_.Path("missing.icc").c_str());
  ASSERT_TRUE(missingTarget.Load(linear.c_str(), 0, 1, 1, 0, nullptr));
  EXPECT_EQ(MaxDifference(missingTarget, plain), 0);

  // A colour image tagged with a grey profile: the spaces do not fit, nothing changes.
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
  const std::string greyIcc = dir_.Path("grey.icc");
  SaveProfile(cmsCreateGrayProfile(cmsD50_xyY(), gamma), greyIcc);
  cmsFreeToneCurve(gamma);
  const std::string greyTagged = dir_.Path("grey-tagged.jpg");
  WriteBytes(greyTagged, WithSegments(ReadBytes(untagged), {IccSegment(ReadBytes(greyIcc), 1, 1)}));
  ASSERT_TRUE(converted.Load(greyTagged.c_str(), 0, 1, 1, 0, nullptr));
  ASSERT_TRUE(plain.Load(untagged.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(MaxDifference(converted, plain), 0);
}

TEST_F(ProfileConversionTest, TargetsAdobeRgbAndAProfileFile) {
  const std::string linear = Tagged("linear.jpg", linearIcc_);
  CxImage toFile, toAdobe, toSrgb;
  toFile.SetTargetProfile(linearIcc_.c_str());  // the same profile: no change
  ASSERT_TRUE(toFile.Load(linear.c_str(), 0, 1, 1, 0, nullptr));
  CxImage plain;
  ASSERT_TRUE(plain.Load(linear.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_LE(MaxDifference(toFile, plain), 1);

  toAdobe.SetTargetProfile("ICC_ADOBE_1998");
  ASSERT_TRUE(toAdobe.Load(linear.c_str(), 0, 1, 1, 0, nullptr));
  ASSERT_TRUE(toSrgb.Load(linear.c_str(), 0, 1, 1, 0, nullptr));
  // Adobe RGB's gamma of 2.2 lifts the linear mid-tones like sRGB does, and its
  // wider green takes saturation away from green: close to, but not, the sRGB result.
  EXPECT_GT(MaxDifference(toAdobe, plain), 20);
  EXPECT_GT(MaxDifference(toAdobe, toSrgb), 3);
}

TEST_F(ProfileConversionTest, ChunksJoinInSequenceOrderAndBrokenSetsGiveNone) {
  std::vector<unsigned char> profile(1000);
  for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<unsigned char>(i * 13);
  const std::vector<unsigned char> a(profile.begin(), profile.begin() + 300),
      b(profile.begin() + 300, profile.begin() + 700), c(profile.begin() + 700, profile.end());
  const std::vector<unsigned char> jpeg{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
  EXPECT_EQ(JpegEmbeddedProfileOf(
                WithSegments(jpeg, {IccSegment(c, 3, 3), IccSegment(a, 1, 3), IccSegment(b, 2, 3)})),
            profile);
  EXPECT_TRUE(JpegEmbeddedProfileOf(WithSegments(jpeg, {IccSegment(a, 1, 3), IccSegment(c, 3, 3)})).empty());
  EXPECT_TRUE(JpegEmbeddedProfileOf(
                  WithSegments(jpeg, {IccSegment(a, 1, 3), IccSegment(a, 1, 3), IccSegment(c, 3, 3)}))
                  .empty());
  EXPECT_TRUE(JpegEmbeddedProfileOf(WithSegments(jpeg, {IccSegment(a, 1, 2), IccSegment(b, 2, 3)})).empty());
  EXPECT_TRUE(JpegEmbeddedProfileOf(WithSegments(jpeg, {IccSegment(a, 0, 1)})).empty());
  // A segment whose length runs past the end of the data.
  std::vector<unsigned char> cut = WithSegments(jpeg, {IccSegment(profile, 1, 1)});
  cut.resize(200);
  EXPECT_TRUE(JpegEmbeddedProfileOf(cut).empty());

  // A real profile split over three chunks converts like the whole one.
  const std::vector<unsigned char> icc = ReadBytes(linearIcc_);
  const std::size_t third = icc.size() / 3;
  const std::vector<unsigned char> p1(icc.begin(), icc.begin() + third),
      p2(icc.begin() + third, icc.begin() + 2 * third), p3(icc.begin() + 2 * third, icc.end());
  const std::string untagged = dir_.Path("untagged.jpg");
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + plain_ + " -quality 95 " + untagged));
  const std::string split = dir_.Path("split.jpg");
  WriteBytes(split, WithSegments(ReadBytes(untagged),
                                 {IccSegment(p1, 1, 3), IccSegment(p2, 2, 3), IccSegment(p3, 3, 3)}));
  const Pnm reference = ImageMagickConversion(split, linearIcc_, srgbIcc_);
  CxImage converted;
  ASSERT_TRUE(converted.Load(split.c_str(), 0, 1, 1, 0, nullptr));
  EXPECT_LE(DifferenceFromPnm(converted, reference), 2);
  // Corrupt profile bytes leave the image as loaded.
  std::vector<unsigned char> garbage(icc.size(), 0x5A);
  const std::string corrupt = dir_.Path("corrupt.jpg");
  WriteBytes(corrupt, WithSegments(ReadBytes(untagged), {IccSegment(garbage, 1, 1)}));
  CxImage corrupted, plain;
  ASSERT_TRUE(corrupted.Load(corrupt.c_str(), 0, 1, 1, 0, nullptr));
  ASSERT_TRUE(plain.Load(untagged.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(MaxDifference(corrupted, plain), 0);
}

}  // namespace
