// Signing image files: the sample, the CRC, the trailer, and what a change of
// the file does to the signature.
#include <gtest/gtest.h>

#include <random>

#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/codecs/joy/Crc32.h"
#include "pixlib/codecs/joy/ImageSignature.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;
using pixcodec::ImageTrailer;

namespace {

std::vector<unsigned char> RandomBytes(std::size_t size, std::mt19937& random) {
  std::vector<unsigned char> bytes(size);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
  return bytes;
}

// The signature as the original signer computed it: every 33rd byte of the
// file as it was before signing, bytes beyond its end read as 0.
std::uint32_t RawSampleCrc(const std::vector<unsigned char>& file, std::size_t length) {
  unsigned char sample[1024] = {};
  for (std::size_t i = 0; i < 1024 && 32 * i < length; ++i)
    sample[i] = 33 * i < file.size() ? file[33 * i] : 0;
  return pixcodec::Crc32(sample, sizeof sample);
}

class ImageSignatureTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.Path("file.bin");
  std::mt19937 random{33};
};

TEST(Crc32Test, CheckValue) {
  const unsigned char text[] = "123456789";
  EXPECT_EQ(0xCBF43926u, pixcodec::Crc32(text, 9));
  EXPECT_EQ(0u, pixcodec::Crc32(text, 0));
}

// Sizes around the sample's reach (33 x 1023 = 33759) and up to 2 MB; small
// files used to sample their own trailer and fail right after signing.
TEST_F(ImageSignatureTest, SignedFilesOfEverySizeVerify) {
  std::vector<std::size_t> sizes = {100, 101, 163, 1000, 4096, 33759, 33760, 33761, 65536, 2u << 20};
  for (int n = 0; n < 60; ++n) sizes.push_back(100 + random() % 40000);
  for (std::size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::vector<unsigned char> original = RandomBytes(size, random);
    WriteBytes(path, original);
    EXPECT_EQ(0, IsImageFileSigned(path.c_str()));
    ASSERT_EQ(1, SignImageFile(path.c_str()));
    ASSERT_EQ(1, IsImageFileSigned(path.c_str()));
    // Signing again keeps the region and the signature.
    const std::vector<unsigned char> once = ReadBytes(path);
    ASSERT_EQ(1, SignImageFile(path.c_str()));
    EXPECT_EQ(once, ReadBytes(path));
    ASSERT_EQ(size + ImageTrailer::kSize, once.size());
    EXPECT_TRUE(std::equal(original.begin(), original.end(), once.begin()));
    EXPECT_EQ(size, pixcodec::ReadLe32(&once[size + 8]));
    EXPECT_EQ(ImageTrailer::kSigned, pixcodec::ReadLe32(&once[size + 12]));
  }
}

TEST_F(ImageSignatureTest, ChangingASampledByteBreaksTheSignature) {
  const std::size_t size = 40000;
  WriteBytes(path, RandomBytes(size, random));
  ASSERT_EQ(1, SignImageFile(path.c_str()));
  const std::vector<unsigned char> signedFile = ReadBytes(path);
  for (std::size_t i = 0; i < 1024; ++i) {
    std::vector<unsigned char> changed = signedFile;
    changed[33 * i] ^= 0x01;
    WriteBytes(path, changed);
    ASSERT_EQ(0, IsImageFileSigned(path.c_str())) << 33 * i;
  }
  for (std::size_t offset : {1u, 32u, 34u, 33000u + 1, 33760u, 39999u}) {
    std::vector<unsigned char> changed = signedFile;
    changed[offset] ^= 0xFF;
    WriteBytes(path, changed);
    EXPECT_EQ(1, IsImageFileSigned(path.c_str())) << offset;
  }
}

// A JPEG with its thumbnail: the signed region is the image up to the
// record, the thumbnail stays readable, a later thumbnail keeps the
// signature; the older 12-byte trailer gives way to a 64-byte one.
TEST_F(ImageSignatureTest, TrailersAndThumbnailsSurviveSigning) {
  CxImage photo, thumb;
  MakePattern(photo, 160, 120);
  MakePattern(thumb, 80, 60);
  const std::string jpeg = dir.Path("photo.jpg");
  ASSERT_EQ(1, photo.Save(jpeg.c_str(), 2, 0, 90, nullptr, 1));
  const std::size_t base = ReadBytes(jpeg).size();
  ASSERT_EQ(1, WriteThumbNail(thumb, jpeg.c_str()));
  ASSERT_EQ(1, SignImageFile(jpeg.c_str()));
  EXPECT_EQ(1, IsImageFileSigned(jpeg.c_str()));
  CxImage read;
  ASSERT_EQ(1, LoadThumbNail(read, jpeg.c_str(), 0, 1024));
  EXPECT_EQ(80, read.Width());
  const std::vector<unsigned char> signedFile = ReadBytes(jpeg);
  EXPECT_EQ(base, pixcodec::ReadLe32(&signedFile[signedFile.size() - 64 + 8]));
  EXPECT_EQ(3u, pixcodec::ReadLe32(&signedFile[signedFile.size() - 64 + 12]));
  MakePattern(thumb, 40, 30);
  ASSERT_EQ(1, WriteThumbNail(thumb, jpeg.c_str()));
  EXPECT_EQ(1, IsImageFileSigned(jpeg.c_str()));

  // The older trailer: base image, record, magics and the section length.
  std::vector<unsigned char> legacy(signedFile.begin(), signedFile.begin() + static_cast<long>(base));
  const std::vector<unsigned char> record = {30, 0, 0, 0, 20, 0, 0, 0, 1, 2, 3};
  legacy.insert(legacy.end(), record.begin(), record.end());
  legacy.resize(legacy.size() + 12);
  pixcodec::WriteLe32(&legacy[legacy.size() - 12], pixcodec::LegacyTrailer::kMagic1);
  pixcodec::WriteLe32(&legacy[legacy.size() - 8], pixcodec::LegacyTrailer::kMagic2);
  pixcodec::WriteLe32(&legacy[legacy.size() - 4], static_cast<std::uint32_t>(record.size() + 12));
  WriteBytes(path, legacy);
  ASSERT_EQ(1, SignImageFile(path.c_str()));
  EXPECT_EQ(1, IsImageFileSigned(path.c_str()));
  const std::vector<unsigned char> upgraded = ReadBytes(path);
  ASSERT_EQ(base + record.size() + 64, upgraded.size());
  EXPECT_EQ(3u, pixcodec::ReadLe32(&upgraded[upgraded.size() - 64 + 12]));
  EXPECT_EQ(base, pixcodec::ReadLe32(&upgraded[upgraded.size() - 64 + 8]));
}

// A signature made the original way, over a sample that reached into the
// thumbnail record behind a short image, still verifies.
TEST_F(ImageSignatureTest, SignaturesOfTheOriginalSamplingVerify) {
  const std::size_t base = 5000, recordSize = 40000;
  std::vector<unsigned char> file = RandomBytes(base + recordSize, random);
  ImageTrailer trailer;
  trailer.SetThumbnailOffset(static_cast<std::uint32_t>(base));
  trailer.SetFlags(ImageTrailer::kThumbnail | ImageTrailer::kSigned);
  trailer.SetSignature(RawSampleCrc(file, base));
  file.insert(file.end(), trailer.Bytes().begin(), trailer.Bytes().end());
  WriteBytes(path, file);
  EXPECT_EQ(1, IsImageFileSigned(path.c_str()));
  file[33 * 10] ^= 1;
  WriteBytes(path, file);
  EXPECT_EQ(0, IsImageFileSigned(path.c_str()));
}

TEST_F(ImageSignatureTest, TrailersThatDoNotDescribeTheFileAreRefused) {
  std::vector<unsigned char> file = RandomBytes(3000, random);
  ImageTrailer trailer;
  trailer.SetThumbnailOffset(5000);  // beyond the file
  file.insert(file.end(), trailer.Bytes().begin(), trailer.Bytes().end());
  WriteBytes(path, file);
  EXPECT_EQ(0, SignImageFile(path.c_str()));
  EXPECT_EQ(file, ReadBytes(path));
  EXPECT_EQ(0, SignImageFile(dir.Path("missing").c_str()));
  WriteBytes(path, {});
  EXPECT_EQ(0, SignImageFile(path.c_str()));
  EXPECT_TRUE(ReadBytes(path).empty());
}

}  // namespace
