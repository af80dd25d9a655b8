// BMP, PCX, TGA, TIFF and PNG files written by independent programs (netpbm,
// ImageMagick, libtiff's tools) load to exactly the pixels their reference
// decoders give, at full size and reduced.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pixlib/codecs/FileType.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

struct Variant {
  const char* name;
  const char* write;      // shell command; {in} = source PPM, {q16}/{q256} = quantised sources,
                          // {photo} = a larger noisy one, {out}
  const char* reference;  // shell command decoding {out} to a PNM on standard output
  int type;
  bool bottomFirst;  // rows stored from the bottom up (decides the reduced rows)
};

std::string Expand(std::string command, const TempDir& dir, const std::string& out) {
  const std::pair<std::string, std::string> names[] = {
      {"{in}", dir.Path("in.ppm")},       {"{q16}", dir.Path("q16.ppm")},
      {"{q2}", dir.Path("q2.ppm")},       {"{q256}", dir.Path("q256.ppm")},
      {"{grey}", dir.Path("grey.pgm")},   {"{photo}", dir.Path("photo.ppm")},
      {"{alpha}", dir.Path("alpha.png")}, {"{out}", out}};
  for (const auto& [key, value] : names)
    for (std::size_t at; (at = command.find(key)) != std::string::npos;)
      command.replace(at, key.size(), value);
  return command;
}

class RasterExternalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool :
         {"/usr/bin/convert", "/usr/bin/ppmtobmp", "/usr/bin/bmptopnm", "/usr/bin/ppmtopcx",
          "/usr/bin/pcxtoppm", "/usr/bin/pamtotga", "/usr/bin/tgatoppm", "/usr/bin/tiff2rgba",
          "/usr/bin/tifftopnm", "/usr/bin/tiffcp", "/usr/bin/pamtotiff", "/usr/bin/ppmtoppm"})
      if (!ToolPresent(tool)) GTEST_SKIP() << tool << " not installed (netpbm, imagemagick, libtiff-tools)";
    CxImage source;
    MakePattern(source, 101, 51);
    WritePpm(dir.Path("in.ppm"), source);
    ASSERT_TRUE(RunCommand(Expand("/usr/bin/convert {in} +dither -colors 16 ppm:{q16}", dir, "")));
    ASSERT_TRUE(RunCommand(Expand("/usr/bin/convert {in} +dither -colors 200 ppm:{q256}", dir, "")));
    ASSERT_TRUE(RunCommand(Expand("/usr/bin/convert {in} +dither -monochrome ppm:{q2}", dir, "")));
    ASSERT_TRUE(RunCommand(Expand("/usr/bin/convert {in} -colorspace gray pgm:{grey}", dir, "")));
    // Wider than the run decoders' fast paths need and larger than one read
    // buffer: noise (literals and bright bytes coded as runs of one) beside a
    // flat bright band (the longest runs).
    ASSERT_TRUE(
        RunCommand(Expand("/usr/bin/convert -size 900x120 gradient:black-white -seed 5 -attenuate 0.4"
                          " +noise Uniform -fill '#f4e8d0' -draw 'rectangle 600,0 899,119' ppm:{photo}",
                          dir, "")));
  }

  // Writes the variant, then checks every reduction against its reference.
  void Check(const Variant& v) {
    SCOPED_TRACE(v.name);
    const std::string file = dir.Path(std::string("v_") + v.name);
    ASSERT_TRUE(RunCommand("(" + Expand(v.write, dir, file) + ") 2>/dev/null"));
    ASSERT_TRUE(
        RunCommand("(" + Expand(v.reference, dir, file) + ") > " + dir.Path("ref.pnm") + " 2>/dev/null"));
    Pnm reference;
    ASSERT_TRUE(ReadPnm(dir.Path("ref.pnm"), reference));
    int width = 0, height = 0;
    EXPECT_EQ(v.type, GetFileType(file.c_str(), width, height, nullptr));
    EXPECT_EQ(reference.width, width);
    EXPECT_EQ(reference.height, height);
    for (int reduction : {1, 2, 4, 8}) {
      SCOPED_TRACE(reduction);
      CxImage ours;
      ASSERT_EQ(1, ours.Load(file.c_str(), reduction % 3, reduction, 0, 0, nullptr));
      EXPECT_EQ(0, DifferenceFromPnm(ours, ReducedPnm(reference, reduction, v.bottomFirst)));
    }
  }

  TempDir dir;
};

constexpr const char* kBmpRef = "/usr/bin/bmptopnm {out} | /usr/bin/ppmtoppm";
constexpr const char* kPcxRef = "/usr/bin/pcxtoppm {out}";
constexpr const char* kTgaRef = "/usr/bin/tgatoppm {out}";
constexpr const char* kTiffRef = "/usr/bin/tiff2rgba {out} {out}.rgba && /usr/bin/tifftopnm {out}.rgba";
constexpr const char* kPngRef = "/usr/bin/convert {out} -alpha off -depth 8 ppm:-";

TEST_F(RasterExternalTest, BmpOfEveryBitCountAndHeader) {
  const Variant variants[] = {
      {"1.bmp", "/usr/bin/ppmtobmp -bpp=1 {q2} > {out}", kBmpRef, 3, true},
      {"4.bmp", "/usr/bin/ppmtobmp -bpp=4 {q16} > {out}", kBmpRef, 3, true},
      {"8.bmp", "/usr/bin/ppmtobmp -bpp=8 {q256} > {out}", kBmpRef, 3, true},
      {"24.bmp", "/usr/bin/ppmtobmp -bpp=24 {in} > {out}", kBmpRef, 3, true},
      {"os2-4.bmp", "/usr/bin/ppmtobmp -os2 -bpp=4 {q16} > {out}", kBmpRef, 3, true},
      {"os2-24.bmp", "/usr/bin/ppmtobmp -os2 -bpp=24 {in} > {out}", kBmpRef, 3, true},
      {"im-rle8.bmp", "/usr/bin/convert {q256} -compress RLE BMP3:{out}", kBmpRef, 3, true},
      {"im-bmp2.bmp", "/usr/bin/convert {in} BMP2:{out}", kBmpRef, 3, true},
      {"im-grey.bmp", "/usr/bin/convert {grey} -type Grayscale BMP3:{out}", kBmpRef, 3, true},
      // ImageMagick's own default: a 124-byte header.
      {"im-v5.bmp", "/usr/bin/convert {in} BMP:{out}", kBmpRef, 3, true},
      {"im-v5-8.bmp", "/usr/bin/convert {q256} -type Palette BMP:{out}", "/usr/bin/convert {out} ppm:-", 3,
       true},
  };
  for (const Variant& v : variants) Check(v);
}

TEST_F(RasterExternalTest, PcxOfEveryPlaneLayout) {
  const Variant variants[] = {
      {"24.pcx", "/usr/bin/ppmtopcx -24bit {in} > {out}", kPcxRef, 1, false},
      {"8.pcx", "/usr/bin/ppmtopcx -8bit {q256} > {out}", kPcxRef, 1, false},
      {"planes1.pcx", "/usr/bin/ppmtopcx -planes=1 {q2} > {out}", kPcxRef, 1, false},
      {"planes2.pcx", "/usr/bin/ppmtopcx -planes=2 {q2} > {out}", kPcxRef, 1, false},
      {"planes4.pcx", "/usr/bin/ppmtopcx -planes=4 {q16} > {out}", kPcxRef, 1, false},
      {"packed.pcx", "/usr/bin/ppmtopcx -packed {q16} > {out}", kPcxRef, 1, false},
      {"im24.pcx", "/usr/bin/convert {in} PCX:{out}", kPcxRef, 1, false},
      {"photo24.pcx", "/usr/bin/ppmtopcx -24bit {photo} > {out}", kPcxRef, 1, false},
      {"im-photo24.pcx", "/usr/bin/convert {photo} PCX:{out}", kPcxRef, 1, false},
      {"im8.pcx", "/usr/bin/convert {q256} -type Palette PCX:{out}", kPcxRef, 1, false},
      // Four planes with alpha: pcxtoppm blends the alpha in, so the colour
      // planes are compared with ImageMagick's reading.
      {"im-alpha.pcx", "/usr/bin/convert {in} -alpha set -channel A -fx 0.5 PCX:{out}",
       "/usr/bin/convert {out} -alpha off ppm:-", 1, false},
  };
  for (const Variant& v : variants) Check(v);
}

TEST_F(RasterExternalTest, TgaOfEveryImageType) {
  const Variant variants[] = {
      {"rgb.tga", "/usr/bin/pamtotga -rgb {in} > {out}", kTgaRef, 0, true},
      {"raw.tga", "/usr/bin/pamtotga -rgb -norle {in} > {out}", kTgaRef, 0, true},
      {"cmap.tga", "/usr/bin/pamtotga -cmap {q256} > {out}", kTgaRef, 0, true},
      {"mono.tga", "/usr/bin/pamtotga -mono {grey} > {out}", kTgaRef, 0, true},
      {"im-rle.tga", "/usr/bin/convert {in} -compress RLE TGA:{out}", kTgaRef, 0, true},
      {"im-top.tga", "/usr/bin/convert {in} -orient TopLeft TGA:{out}", kTgaRef, 0, false},
      {"im-palette.tga", "/usr/bin/convert {q256} -type Palette TGA:{out}", kTgaRef, 0, true},
      {"im-grey.tga", "/usr/bin/convert {grey} -type Grayscale TGA:{out}", kTgaRef, 0, true},
  };
  for (const Variant& v : variants) Check(v);
}

TEST_F(RasterExternalTest, TiffOfEverySampleLayoutAndCompression) {
  const Variant variants[] = {
      {"rgb.tif", "/usr/bin/convert {in} -compress None {out}", kTiffRef, 4, false},
      {"lzw.tif", "/usr/bin/convert {in} -compress LZW {out}", kTiffRef, 4, false},
      {"zip.tif", "/usr/bin/convert {in} -compress Zip {out}", kTiffRef, 4, false},
      {"16.tif", "/usr/bin/convert {in} -depth 16 {out}", kTiffRef, 4, false},
      {"grey.tif", "/usr/bin/convert {grey} -type Grayscale {out}", kTiffRef, 4, false},
      {"bilevel.tif", "/usr/bin/convert {q2} -type Bilevel {out}", kTiffRef, 4, false},
      {"palette.tif", "/usr/bin/convert {q256} -type Palette {out}", kTiffRef, 4, false},
      {"white.tif", "/usr/bin/convert {grey} -type Grayscale -define tiff:photometric=min-is-white {out}",
       kTiffRef, 4, false},
      {"cmyk.tif", "/usr/bin/convert {in} -colorspace CMYK {out}", kTiffRef, 4, false},
      {"tiles.tif", "/usr/bin/convert {in} -define tiff:tile-geometry=32x16 {out}", kTiffRef, 4, false},
      {"bottom.tif", "/usr/bin/convert {in} -orient BottomLeft {out}", kTiffRef, 4, true},
      {"packbits.tif",
       "/usr/bin/convert {in} {out}.src.tif && /usr/bin/tiffcp -c packbits {out}.src.tif {out}", kTiffRef, 4,
       false},
      {"jpeg.tif", "/usr/bin/convert {in} {out}.src.tif && /usr/bin/tiffcp -c jpeg -r 16 {out}.src.tif {out}",
       kTiffRef, 4, false},
      {"strips.tif", "/usr/bin/convert {in} {out}.src.tif && /usr/bin/tiffcp -r 7 -c lzw {out}.src.tif {out}",
       kTiffRef, 4, false},
      {"tiled.tif",
       "/usr/bin/convert {in} {out}.src.tif && /usr/bin/tiffcp -t -w 16 -l 16 {out}.src.tif {out}", kTiffRef,
       4, false},
      {"grey4.tif", "/usr/bin/pamdepth 15 {grey} | /usr/bin/pamtotiff > {out}", kTiffRef, 4, false},
  };
  for (const Variant& v : variants) Check(v);
}

// Alpha channels come through unchanged in channel mode 1 (TIFF's unassociated
// alpha is not premultiplied).
TEST_F(RasterExternalTest, AlphaOfBmpTgaAndTiff) {
  const std::string alpha = dir.Path("alpha.png");
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + dir.Path("in.ppm") +
                         " \\( +clone -fx 'i/w' \\) -alpha off -compose CopyOpacity -composite " + alpha));
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + alpha + " -alpha extract pgm:" + dir.Path("a.pgm")));
  Pnm expected;
  ASSERT_TRUE(ReadPnm(dir.Path("a.pgm"), expected));
  for (const char* format :
       {"-define bmp3:alpha=true BMP3:%s.bmp", "BMP:%s.v5.bmp", "TGA:%s.tga", "%s.tif"}) {
    char target[512];
    std::snprintf(target, sizeof target, format, dir.Path("a").c_str());
    SCOPED_TRACE(target);
    ASSERT_TRUE(RunCommand("/usr/bin/convert " + alpha + " " + target));
    const std::string file = std::strrchr(target, ':') ? std::strrchr(target, ':') + 1 : target;
    CxImage ours;
    ASSERT_EQ(1, ours.Load(file.c_str(), 1, 1, 0, 0, nullptr));
    ASSERT_EQ(4, ours.SamplesPerPixel());
    EXPECT_EQ(1, ours.FileHasAlpha());
    int worst = 0;
    for (int y = 0; y < expected.height; ++y)
      for (int x = 0; x < expected.width; ++x)
        worst = std::max(worst, std::abs(SampleAt(ours, x, y, 3) - expected.pixels[y * expected.width + x]));
    EXPECT_EQ(0, worst);
  }
}

// Every PNG colour type and bit depth, interlaced or not: colours and alpha
// as ImageMagick reads them (16-bit samples as it scales them to 8 bits).
TEST_F(RasterExternalTest, PngOfEveryColourTypeAndDepth) {
  ASSERT_TRUE(
      RunCommand(Expand("/usr/bin/convert {in} \\( +clone -fx 'i/w' \\) -alpha off"
                        " -compose CopyOpacity -composite {alpha}",
                        dir, "")));
  const char* k16 =
      " -channel RGB -evaluate multiply 0.93 +channel -depth 16";  // samples not multiples of 257
  const std::string grey = "/usr/bin/convert {grey} -define png:color-type=0 -define png:bit-depth=";
  const std::string greyAlpha =
      "/usr/bin/convert {alpha} -colorspace gray -define png:color-type=4 -define png:bit-depth=";
  const std::string rgb16 = std::string("/usr/bin/convert {in}") + k16 + " PNG48:{out}";
  const std::string rgba16 = std::string("/usr/bin/convert {alpha}") + k16 + " PNG64:{out}";
  const std::string greyAlpha16 = greyAlpha + "16" + k16 + " PNG:{out}";
  const std::string strings[] = {
      "/usr/bin/convert {q2} -define png:color-type=0 -define png:bit-depth=1 PNG:{out}",
      grey + "2 PNG:{out}",
      grey + "4 PNG:{out}",
      grey + "8 PNG:{out}",
      grey + "16" + k16 + " PNG:{out}",
      greyAlpha + "8 PNG:{out}",
      greyAlpha16,
      rgb16,
      rgba16,
      std::string("/usr/bin/convert {in} -interlace PNG") + k16 + " PNG48:{out}",
      std::string("/usr/bin/convert {alpha} -interlace PNG") + k16 + " PNG64:{out}"};
  const Variant variants[] = {
      {"grey1.png", strings[0].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"grey2.png", strings[1].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"grey4.png", strings[2].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"grey8.png", strings[3].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"grey16.png", strings[4].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"greyalpha8.png", strings[5].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"greyalpha16.png", strings[6].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"palette4.png", "/usr/bin/convert {q16} -define png:color-type=3 -define png:bit-depth=4 PNG:{out}",
       kPngRef, IMG_TYPE_PNG, false},
      {"palette8.png", "/usr/bin/convert {q256} PNG8:{out}", kPngRef, IMG_TYPE_PNG, false},
      {"palette-trns.png", "/usr/bin/convert {alpha} -colors 60 PNG8:{out}", kPngRef, IMG_TYPE_PNG, false},
      {"rgb8.png", "/usr/bin/convert {in} PNG24:{out}", kPngRef, IMG_TYPE_PNG, false},
      {"rgb-trns.png",
       "/usr/bin/convert {in} -fill '#010203' -draw 'rectangle 0,0 9,9' -transparent '#010203' PNG24:{out}",
       kPngRef, IMG_TYPE_PNG, false},
      {"rgb16.png", strings[7].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"rgba8.png", "/usr/bin/convert {alpha} PNG32:{out}", kPngRef, IMG_TYPE_PNG, false},
      {"rgba16.png", strings[8].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"interlaced16.png", strings[9].c_str(), kPngRef, IMG_TYPE_PNG, false},
      {"interlaced-rgba16.png", strings[10].c_str(), kPngRef, IMG_TYPE_PNG, false},
  };
  for (const Variant& v : variants) {
    Check(v);
    const std::string file = dir.Path(std::string("v_") + v.name);
    if (!RunCommand("/usr/bin/identify -format '%A' " + file + " | grep -qi '^true\\|blend'")) continue;
    SCOPED_TRACE(std::string(v.name) + " alpha");
    ASSERT_TRUE(RunCommand("/usr/bin/convert " + file + " -alpha extract -depth 8 pgm:" + dir.Path("a.pgm")));
    Pnm alpha;
    ASSERT_TRUE(ReadPnm(dir.Path("a.pgm"), alpha));
    CxImage ours;
    ASSERT_EQ(1, ours.Load(file.c_str(), 1, 1, 0, 0, nullptr));
    ASSERT_EQ(4, ours.SamplesPerPixel());
    int worst = 0;
    for (int y = 0; y < alpha.height; ++y)
      for (int x = 0; x < alpha.width; ++x)
        worst = std::max(worst, std::abs(SampleAt(ours, x, y, 3) - alpha.pixels[y * alpha.width + x]));
    EXPECT_EQ(0, worst);
  }
}

// Orientations 5 to 8 store the picture's columns as rows: the picture comes
// out turned, as ImageMagick's -auto-orient shows it, whatever path decodes it.
TEST_F(RasterExternalTest, TransposedTiffOrientationsAreTurned) {
  const char* orients[] = {"LeftTop", "RightTop", "RightBottom", "LeftBottom"};
  const char* layouts[] = {"", "-compress LZW", "-define tiff:tile-geometry=16x16"};
  for (int o = 0; o < 4; ++o)
    for (const char* layout : layouts) {
      SCOPED_TRACE(std::string(orients[o]) + " " + layout);
      const std::string file = dir.Path("turned.tif");
      ASSERT_TRUE(RunCommand("/usr/bin/convert " + dir.Path("in.ppm") + " " + layout + " -orient " +
                             orients[o] + " " + file));
      ASSERT_TRUE(RunCommand("/usr/bin/convert " + file + " -auto-orient ppm:" + dir.Path("ref.ppm")));
      Pnm reference;
      ASSERT_TRUE(ReadPnm(dir.Path("ref.ppm"), reference));
      int width = 0, height = 0;
      EXPECT_EQ(IMG_TYPE_TIFF, GetFileType(file.c_str(), width, height, nullptr));
      EXPECT_EQ(51, width);
      EXPECT_EQ(101, height);
      CxImage ours;
      ASSERT_EQ(1, ours.Load(file.c_str(), 2, 1, 0, 0, nullptr));
      EXPECT_EQ(0, DifferenceFromPnm(ours, reference));
      ASSERT_EQ(1, ours.Load(file.c_str(), 0, 2, 0, 0, nullptr));
      EXPECT_EQ(25, ours.Width());
      EXPECT_EQ(50, ours.Height());
    }
}

// Associated (premultiplied) alpha: straight colours in the alpha modes, as
// ImageMagick gives them (within rounding).
TEST_F(RasterExternalTest, AssociatedAlphaTiffGivesStraightColours) {
  const std::string alpha = dir.Path("alpha.png"), file = dir.Path("assoc.tif");
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + dir.Path("in.ppm") +
                         " \\( +clone -fx 'i/w' \\) -alpha off -compose CopyOpacity -composite " + alpha));
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + alpha + " -define tiff:alpha=associated " + file));
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + file + " -alpha off ppm:" + dir.Path("ref.ppm")));
  Pnm reference;
  ASSERT_TRUE(ReadPnm(dir.Path("ref.ppm"), reference));
  for (const int mode : {1, 2}) {
    CxImage ours;
    ASSERT_EQ(1, ours.Load(file.c_str(), mode, 1, 0, 0, nullptr));
    ASSERT_EQ(4, ours.SamplesPerPixel());
    EXPECT_GE(1, DifferenceFromPnm(ours, reference)) << mode;
  }
}

}  // namespace
