// pixtool's image-file subcommands, run as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <tuple>

#include "tests/codecs/CodecTestSupport.h"
#include "tests/platform/RunShell.h"

using namespace codectest;

namespace {

CommandRun Pixtool(const std::string& arguments) {
  return RunShell(std::string(PIXTOOL_PATH) + " " + arguments + " 2>&1");
}

TEST(PixtoolFilesTest, ConvertThumbAndInfo) {
  TempDir dir;
  CxImage source;
  MakePattern(source, 300, 200);
  WritePpm(dir.Path("in.ppm"), source);
  const std::string jpeg = dir.Path("out.jpg");

  CommandRun r = Pixtool("convert " + dir.Path("in.ppm") + " " + jpeg + " --quality 80");
  ASSERT_EQ(0, r.exitCode) << r.output;
  r = Pixtool("convert " + jpeg + " " + dir.Path("small.pnm") + " --reduce 8 --mode 0");
  ASSERT_EQ(0, r.exitCode) << r.output;
  Pnm small;
  ASSERT_TRUE(ReadPnm(dir.Path("small.pnm"), small));
  EXPECT_EQ(38, small.width);
  EXPECT_EQ(25, small.height);

  r = Pixtool("thumb " + jpeg + " --size 256");
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("read back: 150 x 100")) << r.output;
  r = Pixtool("info " + jpeg);
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("type: 2 (JPEG)")) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("flags 0x1")) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("stored 300 x 200")) << r.output;
}

// BMP and TIFF written by extension read back as the same pixels, and info
// names each file's variant; PNG opens in ImageMagick as the source.
TEST(PixtoolFilesTest, ConvertsToBmpAndTiffAndNamesVariants) {
  TempDir dir;
  CxImage source;
  MakePattern(source, 41, 23);
  WritePpm(dir.Path("in.ppm"), source);
  const std::pair<const char*, const char*> outputs[] = {
      {"out.bmp", "variant: Windows 40-byte header, 24 bits, uncompressed, bottom-up"},
      {"out.tif", "variant: 8 bits x 3 samples, RGB, uncompressed, strips, orientation 1"}};
  for (const auto& [name, variant] : outputs) {
    const std::string path = dir.Path(name);
    CommandRun r = Pixtool("convert " + dir.Path("in.ppm") + " " + path);
    ASSERT_EQ(0, r.exitCode) << r.output;
    CxImage back;
    ASSERT_EQ(1, back.Load(path.c_str(), 0, 1, 0, 0, nullptr));
    EXPECT_EQ(0, MaxDifference(source, back)) << name;
    r = Pixtool("info " + path);
    EXPECT_NE(std::string::npos, r.output.find(variant)) << r.output;
  }
  // A PNG written by the tool opens in ImageMagick as the source.
  if (!ToolPresent("/usr/bin/convert")) GTEST_SKIP() << "imagemagick not installed";
  ASSERT_EQ(0, Pixtool("convert " + dir.Path("in.ppm") + " " + dir.Path("out.png")).exitCode);
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + dir.Path("out.png") + " ppm:" + dir.Path("theirs.ppm")));
  Pnm theirs;
  ASSERT_TRUE(ReadPnm(dir.Path("theirs.ppm"), theirs));
  EXPECT_EQ(0, DifferenceFromPnm(source, theirs));
}

TEST(PixtoolFilesTest, BadRequestsFailWithoutWriting) {
  TempDir dir;
  CxImage source;
  MakePattern(source, 20, 10);
  const std::string jpeg = dir.Path("in.jpg");
  ASSERT_EQ(1, source.Save(jpeg.c_str(), 2, 0, 90, nullptr, 1));
  EXPECT_EQ(1, Pixtool("convert " + jpeg + " " + dir.Path("out.gif")).exitCode);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("out.gif")));
  EXPECT_EQ(2, Pixtool("convert " + jpeg + " " + dir.Path("o.jpg") + " --reduce x").exitCode);
  EXPECT_EQ(1, Pixtool("convert " + dir.Path("missing.jpg") + " " + dir.Path("o.jpg")).exitCode);
  EXPECT_EQ(1, Pixtool("info " + dir.Path("missing.jpg")).exitCode);
}

TEST(PixtoolFilesTest, JoySignAndVerify) {
  TempDir dir;
  CxImage source;
  MakePattern(source, 600, 400);
  const std::string jpeg = dir.Path("photo.jpg"), joy = dir.Path("photo.joy");
  ASSERT_EQ(1, source.Save(jpeg.c_str(), 2, 0, 90, nullptr, 1));
  const std::string key = " --key 0102030405060708";

  CommandRun r = Pixtool("joy write " + jpeg + " " + joy + " --thumbnail 1" + key);
  ASSERT_EQ(0, r.exitCode) << r.output;
  r = Pixtool("info " + joy);
  EXPECT_NE(std::string::npos, r.output.find("type: 9 (Joy (preview only))")) << r.output;
  EXPECT_EQ(1, Pixtool("joy extract " + joy + " " + dir.Path("x.jpg")).exitCode);
  EXPECT_EQ(2, Pixtool("joy extract " + joy + " " + dir.Path("x.jpg") + " --key 01020304").exitCode);
  r = Pixtool("joy extract " + joy + " " + dir.Path("back.jpg") + key);
  ASSERT_EQ(0, r.exitCode) << r.output;
  EXPECT_EQ(ReadBytes(jpeg), ReadBytes(dir.Path("back.jpg")));

  // Any image the tool reads is encoded into a Joy file.
  WritePpm(dir.Path("in.ppm"), source);
  ASSERT_EQ(0, Pixtool("joy write " + dir.Path("in.ppm") + " " + dir.Path("p.joy")).exitCode);
  r = Pixtool("info " + dir.Path("p.joy"));
  EXPECT_NE(std::string::npos, r.output.find("type: 7")) << r.output;

  EXPECT_EQ(1, Pixtool("verify " + jpeg).exitCode);
  r = Pixtool("sign " + jpeg + " " + joy);
  ASSERT_EQ(0, r.exitCode) << r.output;
  r = Pixtool("verify " + jpeg + " " + joy);
  EXPECT_EQ(0, r.exitCode) << r.output;
  EXPECT_NE(std::string::npos, r.output.find("signature matches")) << r.output;
  std::vector<unsigned char> bytes = ReadBytes(jpeg);
  bytes[33 * 20] ^= 0x10;
  WriteBytes(jpeg, bytes);
  r = Pixtool("verify " + joy + " " + jpeg);
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(std::string::npos, r.output.find("photo.jpg: not signed or changed")) << r.output;
  EXPECT_NE(std::string::npos, Pixtool("info " + jpeg).output.find("signature: does not match"));
}

// A layout of PNG files as today's tools write them: a background, and a
// frame whose transparent window shows the photo and the background; then
// the frame missing. (A
// preview reads each layer through the JPEG thumbnail it appends to the
// file, hence the tolerance.)
TEST(PixtoolFilesTest, ComposeWithPngFrameAndBackground) {
  if (!ToolPresent("/usr/bin/convert")) GTEST_SKIP() << "imagemagick not installed";
  TempDir dir;
  const std::string frame = dir.Path("frame.png"), bg = dir.Path("bg.png"), photo = dir.Path("photo.png");
  ASSERT_TRUE(RunCommand(
      "/usr/bin/convert -size 100x100 xc:'#1eb428' -alpha set \\( -size 80x80 xc:none \\) -geometry +10+10"
      " -compose Copy -composite " +
      frame));
  ASSERT_TRUE(RunCommand("/usr/bin/convert -size 10x10 xc:'#2828c8' PNG24:" + bg));
  ASSERT_TRUE(RunCommand("/usr/bin/convert -size 80x60 xc:'#c81e1e' PNG24:" + photo));
  const std::string layout = dir.Path("layout.xml");
  WriteBytes(layout, [&] {
    const std::string xml =
        "<Layout><ASPECT_RATIO Value=\"1\"/><ZOOM Value=\"-35\"/><BG_IMAGE_NAME Value=\"" + bg +
        "\"/><FG_IMAGE_NAME Value=\"" + frame + "\"/></Layout>";
    return std::vector<unsigned char>(xml.begin(), xml.end());
  }());
  const CommandRun r = Pixtool("compose " + layout + " " + photo + " " + dir.Path("out.ppm") + " --size 128");
  ASSERT_EQ(0, r.exitCode) << r.output;
  Pnm out;
  ASSERT_TRUE(ReadPnm(dir.Path("out.ppm"), out));
  const auto near = [&](int x, int y, std::array<int, 3> rgb) {
    const unsigned char* p = &out.pixels[(std::size_t(y) * out.width + x) * 3];
    for (int c = 0; c < 3; ++c)
      if (std::abs(p[c] - rgb[c]) > 8) return false;
    return true;
  };
  EXPECT_TRUE(near(4, 4, {0x1e, 0xb4, 0x28}));    // the frame
  EXPECT_TRUE(near(64, 64, {0xc8, 0x1e, 0x1e}));  // the photo through the window
  EXPECT_TRUE(near(64, 20, {0x28, 0x28, 0xc8}));  // the background through the window

  // A frame that cannot be loaded: the picture is written without it, the
  // layer is named with its file and the reason, and the exit status says so.
  std::filesystem::remove(frame);
  const CommandRun missing =
      Pixtool("compose " + layout + " " + photo + " " + dir.Path("out.ppm") + " --size 128");
  EXPECT_EQ(1, missing.exitCode);
  EXPECT_NE(std::string::npos,
            missing.output.find(layout + ": foreground " + frame + " left out: the file does not exist\n"))
      << missing.output;
  EXPECT_NE(std::string::npos, missing.output.find("out.ppm written without 1 layer\n")) << missing.output;
  EXPECT_EQ(std::string::npos, missing.output.find("img_warning")) << missing.output;
  ASSERT_TRUE(ReadPnm(dir.Path("out.ppm"), out));
  EXPECT_TRUE(near(4, 4, {0x28, 0x28, 0xc8}));  // the background where the frame was
  // At the photo's own size a photo that is not there stops the command.
  const CommandRun noPhoto =
      Pixtool("compose " + layout + " " + dir.Path("none.png") + " " + dir.Path("x.ppm"));
  EXPECT_EQ(1, noPhoto.exitCode);
  EXPECT_NE(std::string::npos, noPhoto.output.find("none.png: the file does not exist; give --size N"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("x.ppm")));
}

// A JPEG whose Exif asks for an orientation: reported, and turned on request
// as ImageMagick's -auto-orient turns it.
TEST(PixtoolFilesTest, ExifOrientationIsReportedAndAppliedOnRequest) {
  if (!ToolPresent("/usr/bin/convert")) GTEST_SKIP() << "imagemagick not installed";
  TempDir dir;
  CxImage source;
  MakePattern(source, 37, 23);
  const std::string plain = dir.Path("plain.jpg"), jpeg = dir.Path("exif.jpg");
  ASSERT_EQ(1, source.Save(plain.c_str(), 2, 0, 95, nullptr, 0));
  for (const unsigned char orientation : {3, 6, 8}) {
    SCOPED_TRACE(int(orientation));
    // APP1 "Exif": a little-endian IFD with one SHORT entry, Orientation (0x0112).
    const std::vector<unsigned char> app1 = {
        0xFF, 0xE1, 0,    34,   'E', 'x', 'i', 'f', 0, 0, 'I',         'I', 42, 0, 8, 0, 0, 0,
        1,    0,    0x12, 0x01, 3,   0,   1,   0,   0, 0, orientation, 0,   0,  0, 0, 0, 0, 0};
    std::vector<unsigned char> bytes = ReadBytes(plain);
    bytes.insert(bytes.begin() + 2, app1.begin(), app1.end());
    WriteBytes(jpeg, bytes);
    const std::string expected = "orientation: " + std::to_string(orientation) + " (not applied when read";
    EXPECT_NE(std::string::npos, Pixtool("info " + jpeg).output.find(expected));
    const CommandRun r = Pixtool("convert " + jpeg + " " + dir.Path("ours.ppm") + " --auto-orient");
    ASSERT_EQ(0, r.exitCode) << r.output;
    ASSERT_TRUE(RunCommand("/usr/bin/convert " + jpeg + " -auto-orient " + dir.Path("theirs.ppm")));
    Pnm ours, theirs;
    ASSERT_TRUE(ReadPnm(dir.Path("ours.ppm"), ours));
    ASSERT_TRUE(ReadPnm(dir.Path("theirs.ppm"), theirs));
    EXPECT_EQ(orientation == 3 ? 37 : 23, ours.width);
    EXPECT_EQ(theirs.width, ours.width);
    EXPECT_EQ(theirs.pixels, ours.pixels);
  }
}

// A Photo CD pack ImageMagick writes from an upright portrait stores it
// turned and says so (rotation code 1): reported as orientation 8, loaded as
// stored, and turned on request as ImageMagick shows it; codes 3 and 2 (set
// by hand) likewise, 2 as ImageMagick's half turn of the pack.
TEST(PixtoolFilesTest, PhotoCdRotationIsReportedAndAppliedOnRequest) {
  if (!ToolPresent("/usr/bin/convert")) GTEST_SKIP() << "imagemagick not installed";
  TempDir dir;
  const std::string pack = dir.Path("portrait.pcd");
  ASSERT_TRUE(
      RunCommand("/usr/bin/convert -size 256x384 gradient:red-blue -fill white"
                 " -draw 'rectangle 10,10 80,50' PCD:" +
                 pack));
  std::vector<unsigned char> bytes = ReadBytes(pack);
  ASSERT_EQ(1, bytes.at(2048 + 0x602) & 3);
  for (const auto& [code, orientation, magick] :
       {std::tuple{1, 8, ""}, std::tuple{3, 6, ""}, std::tuple{2, 3, " -rotate 180"}}) {
    SCOPED_TRACE(code);
    bytes[2048 + 0x602] = static_cast<unsigned char>(code);
    WriteBytes(pack, bytes);
    const std::string expected = "orientation: " + std::to_string(orientation) + " (not applied when read";
    EXPECT_NE(std::string::npos, Pixtool("info " + pack).output.find(expected));
    const CommandRun plain = Pixtool("convert " + pack + " " + dir.Path("stored.ppm") + " --reduce 4");
    EXPECT_NE(std::string::npos, plain.output.find("384 x 256")) << plain.output;
    const CommandRun r =
        Pixtool("convert " + pack + " " + dir.Path("ours.ppm") + " --reduce 4 --auto-orient");
    ASSERT_EQ(0, r.exitCode) << r.output;
    // ImageMagick turns codes 1 and 3 when it reads a pack (subimage 2 is 384 x 256).
    ASSERT_TRUE(RunCommand("/usr/bin/convert '" + pack + "[2]'" + magick + " " + dir.Path("theirs.ppm")));
    Pnm ours, theirs;
    ASSERT_TRUE(ReadPnm(dir.Path("ours.ppm"), ours));
    ASSERT_TRUE(ReadPnm(dir.Path("theirs.ppm"), theirs));
    EXPECT_EQ(code == 2 ? 384 : 256, ours.width);
    ASSERT_EQ(theirs.width, ours.width);
    ASSERT_EQ(theirs.pixels.size(), ours.pixels.size());
    int worst = 0;
    for (std::size_t i = 0; i < ours.pixels.size(); ++i)
      worst = std::max(worst, std::abs(ours.pixels[i] - theirs.pixels[i]));
    EXPECT_LE(worst, 1);
  }
}

// A file the reader refuses: the tool gives the reader's reason.
TEST(PixtoolFilesTest, RefusedFileShowsTheReadersReason) {
  if (!ToolPresent("/usr/bin/tiffcp")) GTEST_SKIP() << "libtiff-tools not installed";
  TempDir dir;
  CxImage source;
  MakePattern(source, 8, 4);
  ASSERT_EQ(1, source.Save(dir.Path("c.tif").c_str(), 4, 0, 0, nullptr, 0));
  ASSERT_TRUE(RunCommand("/usr/bin/tiffcp -p separate " + dir.Path("c.tif") + " " + dir.Path("p.tif")));
  const CommandRun r = Pixtool("convert " + dir.Path("p.tif") + " " + dir.Path("x.bmp"));
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(std::string::npos, r.output.find("p.tif: Sorry, can not handle bit plane images")) << r.output;
}

}  // namespace
