// Thumbnails appended to image files, the trailers that find them, and the
// loaders that pick a reduction.
#include <gtest/gtest.h>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/Thumbnail.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;
using pixcodec::ImageTrailer;
using pixcodec::ReadLe32;

namespace {

class ThumbnailTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string photo = dir.Path("photo.jpg");
  std::vector<unsigned char> base;

  void SavePhoto(int width, int height) {
    CxImage image;
    MakePattern(image, width, height);
    ASSERT_EQ(1, image.Save(photo.c_str(), 2, 0, 90, nullptr, 1));
    base = ReadBytes(photo);
  }
  ImageTrailer Trailer() {
    const std::vector<unsigned char> bytes = ReadBytes(photo);
    ImageTrailer trailer;
    EXPECT_TRUE(ImageTrailer::Parse(bytes.data() + bytes.size() - ImageTrailer::kSize, trailer));
    return trailer;
  }
  bool StartsWithBase() {
    const std::vector<unsigned char> bytes = ReadBytes(photo);
    return bytes.size() >= base.size() && std::equal(base.begin(), base.end(), bytes.begin());
  }
};

// The capture program's call right after saving a photo.
TEST_F(ThumbnailTest, StationCallEmbedsAThumbnailAndKeepsItLoaded) {
  SavePhoto(3000, 2000);
  CxImage thumb;
  ASSERT_EQ(1, thumb.LoadThumbnail(photo.c_str(), 1, 1, 1024, 1, 0, nullptr));
  EXPECT_EQ(1024, thumb.Width());
  EXPECT_EQ(682, thumb.Height());
  EXPECT_TRUE(StartsWithBase());
  const ImageTrailer trailer = Trailer();
  EXPECT_EQ(ImageTrailer::kThumbnail, trailer.Flags());
  EXPECT_EQ(base.size(), trailer.ThumbnailOffset());

  CxImage again, quarter;
  ASSERT_EQ(1, LoadThumbNail(again, photo.c_str(), 0, 1024));
  EXPECT_EQ(1024, again.Width());
  ASSERT_EQ(1, LoadThumbNail(quarter, photo.c_str(), 0, 256));
  EXPECT_EQ(256, quarter.Width());
  EXPECT_EQ(171, quarter.Height());

  CxImage full;
  ASSERT_EQ(1, full.Load(photo.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(3000, full.Width());
}

TEST_F(ThumbnailTest, WithoutMakingOneTheImageIsReducedAndFitted) {
  SavePhoto(900, 600);
  CxImage reduced, fitted;
  ASSERT_EQ(1, reduced.LoadThumbnail(photo.c_str(), 0, 0, 200, 0, 0, nullptr));
  EXPECT_EQ(113, reduced.Width());  // reduction 8, the largest the loaders apply
  ASSERT_EQ(1, fitted.LoadThumbnail(photo.c_str(), 0, 0, 200, 1, 0, nullptr));
  EXPECT_EQ(200, fitted.Width());
  EXPECT_EQ(133, fitted.Height());
  EXPECT_EQ(base, ReadBytes(photo));
}

TEST_F(ThumbnailTest, SecondThumbnailReplacesTheFirst) {
  SavePhoto(300, 200);
  CxImage big, small, read;
  MakePattern(big, 250, 120);
  MakePattern(small, 40, 30);
  ASSERT_NE(0, WriteThumbNail(big, photo.c_str()));
  ASSERT_NE(0, WriteThumbNail(small, photo.c_str()));
  ASSERT_EQ(1, LoadThumbNail(read, photo.c_str(), 0, 1024));
  EXPECT_EQ(40, read.Width());
  EXPECT_EQ(30, read.Height());
  EXPECT_TRUE(StartsWithBase());
  EXPECT_EQ(base.size(), Trailer().ThumbnailOffset());
  const std::vector<unsigned char> bytes = ReadBytes(photo);
  EXPECT_EQ(40u, ReadLe32(bytes.data() + base.size()));
}

TEST_F(ThumbnailTest, OlderTrailerIsReadAndReplaced) {
  SavePhoto(300, 200);
  CxImage thumb;
  MakePattern(thumb, 60, 40);
  const std::string other = dir.Path("thumb.jpg");
  ASSERT_EQ(1, thumb.Save(other.c_str(), 2, 0, 90, nullptr, 0));
  std::vector<unsigned char> bytes = base;
  const std::vector<unsigned char> jpeg = ReadBytes(other);
  unsigned char field[4];
  for (std::uint32_t v : {60u, 40u}) {
    pixcodec::WriteLe32(field, v);
    bytes.insert(bytes.end(), field, field + 4);
  }
  bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
  for (std::uint32_t v : {0x162FA927u, 0xC53E9B71u, std::uint32_t(8 + jpeg.size() + 12)}) {
    pixcodec::WriteLe32(field, v);
    bytes.insert(bytes.end(), field, field + 4);
  }
  WriteBytes(photo, bytes);

  CxImage read;
  ASSERT_EQ(1, LoadThumbNail(read, photo.c_str(), 0, 1024));
  EXPECT_EQ(60, read.Width());
  ASSERT_NE(0, WriteThumbNail(read, photo.c_str()));
  EXPECT_TRUE(StartsWithBase());
  EXPECT_EQ(base.size(), Trailer().ThumbnailOffset());
  EXPECT_EQ(ImageTrailer::kThumbnail, Trailer().Flags());
}

// A thumbnail that does not decode is cut off; the photo itself stays intact.
TEST_F(ThumbnailTest, BrokenThumbnailIsCutBackToThePhoto) {
  SavePhoto(300, 200);
  CxImage thumb, read;
  MakePattern(thumb, 80, 60);
  ASSERT_NE(0, WriteThumbNail(thumb, photo.c_str()));
  std::vector<unsigned char> bytes = ReadBytes(photo);
  for (std::size_t i = base.size() + 8; i < base.size() + 40; ++i) bytes[i] = 0x55;
  WriteBytes(photo, bytes);
  EXPECT_EQ(0, LoadThumbNail(read, photo.c_str(), 0, 1024));
  EXPECT_EQ(base, ReadBytes(photo));
}

TEST_F(ThumbnailTest, TrailerPointingOutsideTheFileChangesNothing) {
  SavePhoto(300, 200);
  for (std::uint32_t offset : {0xFFFFFF00u, 0u, 3u}) {
    ImageTrailer trailer;
    trailer.SetThumbnailOffset(offset);
    trailer.SetFlags(ImageTrailer::kThumbnail);
    std::vector<unsigned char> bytes = base;
    bytes.insert(bytes.end(), trailer.Bytes().begin(), trailer.Bytes().end());
    WriteBytes(photo, bytes);
    CxImage read;
    EXPECT_EQ(0, LoadThumbNail(read, photo.c_str(), 0, 1024)) << offset;
    EXPECT_EQ(bytes, ReadBytes(photo)) << offset;
    CxImage full;
    EXPECT_EQ(1, full.Load(photo.c_str(), 0, 1, 0, 0, nullptr));
  }
}

// A thumbnail goes only right after the base image: not into a JPEG whose
// end is missing, nor where a corrupt trailer points into the image.
TEST_F(ThumbnailTest, ThumbnailIsNotWrittenWhereItWouldDamageThePhoto) {
  SavePhoto(300, 200);
  CxImage thumb;
  MakePattern(thumb, 30, 20);
  std::vector<unsigned char> truncated(base.begin(), base.end() - 100);
  WriteBytes(photo, truncated);
  EXPECT_EQ(0, WriteThumbNail(thumb, photo.c_str()));
  EXPECT_EQ(truncated, ReadBytes(photo));

  ImageTrailer trailer;
  trailer.SetThumbnailOffset(600);
  std::vector<unsigned char> pointing = base;
  pointing.insert(pointing.end(), trailer.Bytes().begin(), trailer.Bytes().end());
  WriteBytes(photo, pointing);
  EXPECT_EQ(0, WriteThumbNail(thumb, photo.c_str()));
  EXPECT_EQ(pointing, ReadBytes(photo));
}

// Padding after the end marker belongs to the photo: the thumbnail follows it.
TEST_F(ThumbnailTest, APaddedJpegTakesItsThumbnailAfterThePadding) {
  SavePhoto(300, 200);
  base.insert(base.end(), 700, 0x00);
  WriteBytes(photo, base);
  CxImage thumb, read;
  MakePattern(thumb, 30, 20);
  ASSERT_NE(0, WriteThumbNail(thumb, photo.c_str()));
  EXPECT_TRUE(StartsWithBase());
  EXPECT_EQ(base.size(), Trailer().ThumbnailOffset());
  ASSERT_EQ(1, LoadThumbNail(read, photo.c_str(), 0, 1024));
  EXPECT_EQ(30, read.Width());
}

// An end marker inside an embedded preview is not the photo's end.
TEST_F(ThumbnailTest, AnEndMarkerInsideAMetadataSegmentIsNotThePhotosEnd) {
  SavePhoto(300, 200);
  const std::vector<unsigned char> preview{0xFF, 0xD8, 0xFF, 0xD9};
  std::vector<unsigned char> bytes(base.begin(), base.begin() + 2);
  const std::vector<unsigned char> app1{0xFF, 0xE1, 0x00, static_cast<unsigned char>(2 + preview.size())};
  bytes.insert(bytes.end(), app1.begin(), app1.end());
  bytes.insert(bytes.end(), preview.begin(), preview.end());
  bytes.insert(bytes.end(), base.begin() + 2, base.end());
  ImageTrailer trailer;
  trailer.SetThumbnailOffset(static_cast<std::uint32_t>(2 + app1.size() + preview.size()));
  trailer.SetFlags(ImageTrailer::kThumbnail);
  bytes.insert(bytes.end(), trailer.Bytes().begin(), trailer.Bytes().end());
  WriteBytes(photo, bytes);

  CxImage thumb, read;
  MakePattern(thumb, 30, 20);
  EXPECT_EQ(0, LoadThumbNail(read, photo.c_str(), 0, 1024));
  EXPECT_EQ(0, WriteThumbNail(thumb, photo.c_str()));
  EXPECT_EQ(bytes, ReadBytes(photo));
  CxImage full;
  EXPECT_EQ(1, full.Load(photo.c_str(), 0, 1, 0, 0, nullptr));
}

// Files that are not plain JPEGs (TIFF, BMP, scrambled) follow the same rule:
// only a visible thumbnail record or the end of the file is ever cut or written.
TEST_F(ThumbnailTest, OtherFormatsAreNeverCutWhereATrailerPointsIntoThem) {
  std::vector<unsigned char> tiff{'I', 'I', 42, 0};
  for (int i = 0; i < 4000; ++i) tiff.push_back(static_cast<unsigned char>(i * 7));
  const std::string file = dir.Path("scan.tif");
  CxImage thumb, read;
  MakePattern(thumb, 40, 30);

  // A corrupt trailer pointing into the image: neither read, cut nor written.
  for (std::uint32_t flags : {ImageTrailer::kThumbnail, ImageTrailer::kSigned}) {
    ImageTrailer trailer;
    trailer.SetThumbnailOffset(1000);
    trailer.SetFlags(flags);
    std::vector<unsigned char> pointing = tiff;
    pointing.insert(pointing.end(), trailer.Bytes().begin(), trailer.Bytes().end());
    WriteBytes(file, pointing);
    EXPECT_EQ(0, LoadThumbNail(read, file.c_str(), 0, 1024)) << flags;
    EXPECT_EQ(0, WriteThumbNail(thumb, file.c_str())) << flags;
    EXPECT_EQ(pointing, ReadBytes(file)) << flags;
  }

  // Without a trailer the thumbnail goes at the end and can be replaced; a
  // broken one is cut back to the image.
  WriteBytes(file, tiff);
  ASSERT_NE(0, WriteThumbNail(thumb, file.c_str()));
  ASSERT_NE(0, WriteThumbNail(thumb, file.c_str()));
  ASSERT_EQ(1, LoadThumbNail(read, file.c_str(), 0, 1024));
  EXPECT_EQ(40, read.Width());
  std::vector<unsigned char> bytes = ReadBytes(file);
  ASSERT_TRUE(std::equal(tiff.begin(), tiff.end(), bytes.begin()));
  for (std::size_t i = tiff.size() + 12; i < tiff.size() + 60; ++i) bytes[i] = 0x55;
  WriteBytes(file, bytes);
  EXPECT_EQ(0, LoadThumbNail(read, file.c_str(), 0, 1024));
  EXPECT_EQ(tiff, ReadBytes(file));
}

TEST_F(ThumbnailTest, PreferredSizePicksThePowerOfTwo) {
  SavePhoto(3000, 2000);
  CxImage image;
  ASSERT_EQ(1, image.LoadWithPreferredSize(photo.c_str(), 0, 1000, 0, 0, nullptr));
  EXPECT_EQ(750, image.Width());
  EXPECT_EQ(500, image.Height());
  ASSERT_EQ(1, image.LoadWithPreferredSize(photo.c_str(), 0, -5, 0, 0, nullptr));
  EXPECT_EQ(375, image.Width());
  EXPECT_EQ(0, image.LoadWithPreferredSize(dir.Path("none.jpg").c_str(), 0, 100, 0, 0, nullptr));
}

TEST_F(ThumbnailTest, FileTypesOfShortEmptyAndContainerFiles) {
  SavePhoto(64, 48);
  int width = 0, height = 0;
  EXPECT_EQ(2, GetFileType(photo.c_str(), width, height, nullptr));
  EXPECT_EQ(64, width);
  EXPECT_EQ(48, height);
  EXPECT_EQ(1, IsImageFile(photo.c_str(), width, height, nullptr));

  const std::string empty = dir.Path("empty.jpg"), tiny = dir.Path("tiny.jpg");
  WriteBytes(empty, {});
  WriteBytes(tiny, {0xFF, 0xD8, 0xFF});
  EXPECT_EQ(-1, GetFileType(empty.c_str(), width, height, nullptr));
  EXPECT_EQ(-1, GetFileType(tiny.c_str(), width, height, nullptr));
  EXPECT_EQ(-1, GetFileType(dir.Path("missing").c_str(), width, height, nullptr));
  EXPECT_EQ(0, IsImageFile(empty.c_str(), width, height, nullptr));

  // A container whose scrambled image opens with no known key: only the
  // plain JPEG at its start is an image to GetFileType, none to IsImageFile.
  ImageTrailer trailer;
  trailer.SetFlags(ImageTrailer::kScrambled);
  trailer.SetThumbnailOffset(static_cast<std::uint32_t>(base.size() + 16));
  std::vector<unsigned char> bytes = base;
  bytes.insert(bytes.end(), 16, 0xAB);
  bytes.insert(bytes.end(), trailer.Bytes().begin(), trailer.Bytes().end());
  WriteBytes(photo, bytes);
  EXPECT_EQ(9, GetFileType(photo.c_str(), width, height, nullptr));
  EXPECT_EQ(64, width);
  EXPECT_EQ(0, IsImageFile(photo.c_str(), width, height, nullptr));
  CxImage preview;
  EXPECT_EQ(1, preview.Load(photo.c_str(), 0, 1, 0, 0, nullptr));
}

// A container built by hand: plain preview, the full image scrambled with a
// key (as the JPEG writer scrambles it), and the trailer pointing at it.
TEST_F(ThumbnailTest, ContainerTypeDependsOnWhichKeyOpensIt) {
  SavePhoto(40, 30);
  unsigned char key[8] = {3, 1, 4, 1, 5, 9, 2, 6};
  unsigned char wrong[8] = {2, 7, 1, 8, 2, 8, 1, 8};
  CxImage full;
  MakePattern(full, 400, 300);
  const std::string stream = dir.Path("stream.bin");
  ASSERT_EQ(1, full.Save(stream.c_str(), 2, 0, 90, key, 1));
  std::vector<unsigned char> bytes = base;
  const std::vector<unsigned char> scrambled = ReadBytes(stream);
  bytes.insert(bytes.end(), scrambled.begin(), scrambled.end());
  ImageTrailer trailer;
  trailer.SetFlags(ImageTrailer::kScrambled);
  trailer.SetThumbnailOffset(static_cast<std::uint32_t>(bytes.size()));
  std::vector<unsigned char> raw(trailer.Bytes().begin(), trailer.Bytes().end());
  pixcodec::WriteLe32(&raw[32], static_cast<std::uint32_t>(base.size()));
  bytes.insert(bytes.end(), raw.begin(), raw.end());
  WriteBytes(photo, bytes);

  int width = 0, height = 0;
  EXPECT_EQ(7, GetFileType(photo.c_str(), width, height, key));
  EXPECT_EQ(400, width);
  EXPECT_EQ(9, GetFileType(photo.c_str(), width, height, wrong));
  EXPECT_EQ(40, width);
  EXPECT_EQ(0, IsImageFile(photo.c_str(), width, height, wrong));
  CxImage::SetCryptoKey(key);
  EXPECT_EQ(8, GetFileType(photo.c_str(), width, height, wrong));
  EXPECT_EQ(1, IsImageFile(photo.c_str(), width, height, nullptr));
  CxImage::SetCryptoKey(nullptr);
  EXPECT_EQ(9, GetFileType(photo.c_str(), width, height, nullptr));
}

}  // namespace
