// JPEG files read into and written from tiled images: the scanline reader
// puts rows into the tiles, the writer takes them out again.
#include <gtest/gtest.h>

#include <cstring>

#include "pixlib/codecs/ImageFormats.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/tiles/TileTestSupport.h"

using namespace tiletest;

namespace {

constexpr int kJpeg = 2;

// Every stored row of a tiled image equals the untiled image's row.
bool SameRows(CxImage& tiled, CxImage& plain) {
  if (tiled.Width() != plain.Width() || tiled.Height() != plain.Height() ||
      tiled.SamplesPerPixel() != plain.SamplesPerPixel() || tiled.Tiled() == 0)
    return false;
  std::vector<unsigned char> row(tiled.GetRowBytes());
  const std::size_t bytes = std::size_t(plain.Width()) * plain.SamplesPerPixel();
  for (int y = 0; y < plain.Height(); ++y)
    if (tiled.GetRow(y, row.data()) == 0 || std::memcmp(row.data(), plain.GetRowPtr(y), bytes) != 0)
      return false;
  return true;
}

class TiledJpegTest : public ::testing::Test {
 protected:
  codectest::TempDir swap;
  codectest::TempDir dir;
  EngineParams params{5, CSize{64, 16}, swap.Path("")};  // fewer tiles than a row of them
};

TEST_F(TiledJpegTest, TiledLoadEqualsTheUntiledOne) {
  CxImage colour, alpha;
  codectest::MakePattern(colour, 1111, 333);
  codectest::MakePattern(alpha, 200, 150, true);
  const std::string colourPath = dir.Path("colour.jpg"), alphaPath = dir.Path("alpha.jpg");
  ASSERT_EQ(1, colour.Save(colourPath.c_str(), kJpeg, 0, 90, nullptr, 1));
  ASSERT_EQ(1, alpha.Save(alphaPath.c_str(), kJpeg, 1, 90, nullptr, 0));
  for (const std::string& path : {colourPath, alphaPath})
    for (int mode : {0, 1, 2})
      for (int reduction : {1, 2, 8}) {
        SCOPED_TRACE(testing::Message() << path << " mode " << mode << " reduction " << reduction);
        CxImage tiled, plain;
        ASSERT_EQ(1, tiled.Load(path.c_str(), mode, reduction, 0, 1, nullptr));
        ASSERT_EQ(1, plain.Load(path.c_str(), mode, reduction, 0, 0, nullptr));
        EXPECT_EQ(plain.FileHasAlpha(), tiled.FileHasAlpha());
        EXPECT_TRUE(SameRows(tiled, plain));
      }
}

TEST_F(TiledJpegTest, TiledImagesAreWrittenLikeUntiledOnes) {
  CxImage source;
  codectest::MakePattern(source, 700, 260, true);
  const std::string path = dir.Path("source.jpg");
  ASSERT_EQ(1, source.Save(path.c_str(), kJpeg, 1, 90, nullptr, 0));
  CxImage tiled, plain;
  ASSERT_EQ(1, tiled.Load(path.c_str(), 1, 1, 0, 1, nullptr));
  ASSERT_EQ(1, plain.Load(path.c_str(), 1, 1, 0, 0, nullptr));
  for (int keepAlpha : {0, 1}) {
    const std::string fromTiles = dir.Path("tiled.jpg"), fromMemory = dir.Path("plain.jpg");
    ASSERT_EQ(1, tiled.Save(fromTiles.c_str(), kJpeg, keepAlpha, 85, nullptr, 1));
    ASSERT_EQ(1, plain.Save(fromMemory.c_str(), kJpeg, keepAlpha, 85, nullptr, 0));
    EXPECT_EQ(codectest::ReadBytes(fromMemory), codectest::ReadBytes(fromTiles)) << keepAlpha;
  }
  // A Joy file's scrambled image loads into tiles too.
  unsigned char key[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  const std::string joy = dir.Path("image.joy");
  ASSERT_EQ(1, plain.Save(joy.c_str(), 7, 1, 90, key, 0));
  CxImage joyTiled, joyPlain;
  ASSERT_EQ(1, joyTiled.Load(joy.c_str(), 1, 2, 0, 1, key));
  ASSERT_EQ(1, joyPlain.Load(joy.c_str(), 1, 2, 0, 0, key));
  EXPECT_TRUE(SameRows(joyTiled, joyPlain));
}

}  // namespace
