// pixtool from the outside: its rotations and mirrors against netpbm's
// pamflip, its errors as exit codes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class Pixtool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("pixtool-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // A 7 x 5 colour image whose samples all differ.
    std::ofstream out(path("in.ppm"), std::ios::binary);
    out << "P6\n7 5\n255\n";
    for (int i = 0; i < 7 * 5 * 3; ++i) out.put(static_cast<char>(i * 7 % 256));
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string path(const std::string& name) const { return (dir / name).string(); }
  static int run(const std::string& args) {
    return WEXITSTATUS(std::system((std::string(PIXTOOL_PATH) + " " + args + " 2>/dev/null").c_str()));
  }
  static std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void expectLikePamflip(const std::string& ops, const std::string& flip) {
    ASSERT_EQ(run("ops load " + path("in.ppm") + " " + ops + " write " + path("out.ppm")), 0);
    ASSERT_EQ(
        std::system(("/usr/bin/pamflip " + flip + " " + path("in.ppm") + " > " + path("ref.ppm")).c_str()),
        0);
    // pamflip writes the same header form: compare whole files.
    EXPECT_EQ(read(path("out.ppm")), read(path("ref.ppm"))) << ops << " vs pamflip " << flip;
  }

  fs::path dir;
};

}  // namespace

TEST_F(Pixtool, RotationsAndMirrorsMatchPamflip) {
  if (!fs::exists("/usr/bin/pamflip")) GTEST_SKIP() << "netpbm's /usr/bin/pamflip is not installed";
  expectLikePamflip("rotate90 90", "-r270");
  expectLikePamflip("rotate90 -90", "-r90");
  expectLikePamflip("rotate90 180", "-r180");
  expectLikePamflip("mirror 1", "-lr");
  expectLikePamflip("mirror 0", "-tb");
  expectLikePamflip("rotate90 90 mirror -1", "-r90");
}

TEST_F(Pixtool, CopyAndResizeProduceTheRequestedSize) {
  ASSERT_EQ(run("ops load " + path("in.ppm") + " copy 0 1 0.7 0 14 10 resize 3 2 write " + path("small.ppm")),
            0);
  EXPECT_EQ(read(path("small.ppm")).substr(0, 11), "P6\n3 2\n255\n");
  ASSERT_EQ(
      std::system(
          (std::string(PIXTOOL_PATH) + " info " + path("small.ppm") + " > " + path("info.txt")).c_str()),
      0);
  const std::string info = read(path("info.txt"));
  EXPECT_NE(info.find("width: 3\n"), std::string::npos);
  EXPECT_NE(info.find("float size: 1.5 x 1\n"), std::string::npos);
}

TEST_F(Pixtool, BadInputIsReportedByExitCode) {
  EXPECT_EQ(run(""), 2);
  EXPECT_EQ(run("frobnicate"), 2);
  EXPECT_EQ(run("ops load"), 2);
  EXPECT_EQ(run("ops load " + path("missing.ppm")), 1);
  EXPECT_EQ(run("ops load " + path("in.ppm") + " rotate90 45"), 1);
  EXPECT_EQ(run("ops load " + path("in.ppm") + " resize x 3"), 1);
  EXPECT_EQ(run("ops load-raw " + path("in.ppm") + " 100 100 3"), 1);  // too short
  std::ofstream(path("text.ppm")) << "hello";
  EXPECT_EQ(run("info " + path("text.ppm")), 1);
}

TEST_F(Pixtool, GeometryAndTextStepsChainAndReportBadArguments) {
  const std::string in = "ops load " + path("in.ppm");
  ASSERT_EQ(run(in + " warp 14 10 transform 1 1 0.5 0 0 20 10 zoom 0 1 1 0 2 canny 1 30 90" +
                " text 'Liberation Sans' 0.5 0.3 1 0 0 1 ffffff 'Hi there' write " + path("out.ppm")),
            0);
  EXPECT_EQ(read(path("out.ppm")).substr(0, 13), "P6\n20 20\n255\n");  // the zoom took a square, doubled
  EXPECT_EQ(run(in + " transform 1 1 inf 0 0 20 10"), 1);
  EXPECT_EQ(run(in + " transform 0 0 0 0 0 20 10"), 1);  // singular: refused, not one flood colour
  EXPECT_EQ(run(in + " zoom 5 1 6 0 1"), 1);
  EXPECT_EQ(run(in + " text Sans 0.5 0 0 0 0 0 red Hi"), 1);
  EXPECT_EQ(run(in + " canny 1 10"), 2);
}

namespace {

struct Picture {
  int width = 0, height = 0;
  std::string samples;  // RGB, top row first
  bool bright(int x, int y) const { return static_cast<unsigned char>(samples[3 * (y * width + x)]) > 127; }
};

Picture ReadPpm(const std::string& bytes) {
  Picture p;
  std::istringstream in(bytes);
  std::string magic;
  int maxval = 0;
  in >> magic >> p.width >> p.height >> maxval;
  in.get();
  p.samples = bytes.substr(static_cast<size_t>(in.tellg()));
  return p;
}

// Centroid and box of the bright pixels.
struct Blob {
  double cx = 0, cy = 0;
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Blob FindBlob(const Picture& p) {
  Blob b;
  int count = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.bright(x, y)) {
        b.cx += x, b.cy += y, ++count;
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
      }
  if (count) b.cx /= count, b.cy /= count;
  return b;
}

}  // namespace

// The affine step places the picture where ImageMagick's affine projection
// with the same pixel matrix does. Our matrix works on stored rows (upwards,
// pixel centres at whole numbers); ImageMagick's on rows downwards with
// centres at halves, so the matrix is carried over between the two.
TEST_F(Pixtool, TransformAgreesWithImageMagickAffineProjection) {
  if (!fs::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick's /usr/bin/convert is not installed";
  constexpr int kW = 120, kH = 80;
  const float sx = 0.8f, sy = 0.9f, angle = 0.4f, tx = 0.05f, ty = -0.1f;
  ASSERT_EQ(
      std::system(
          ("/usr/bin/convert -size 120x80 xc:black -fill white -draw 'rectangle 20,10 49,29' -depth 8 " +
           path("square.ppm"))
              .c_str()),
      0);
  ASSERT_EQ(run("ops load " + path("square.ppm") + " transform 0.8 0.9 0.4 0.05 -0.1 120 80 write " +
                path("ours.ppm")),
            0);
  const double s = std::sin(angle), c = std::cos(angle);
  const double a00 = sx * c, a01 = sy * s, a10 = -sx * s, a11 = sy * c;
  const double t0 = kH * tx + kW / 2.0 - (a00 * kW / 2.0 + a01 * kH / 2.0);
  const double t1 = kH * ty + kH / 2.0 - (a10 * kW / 2.0 + a11 * kH / 2.0);
  const double imTx = -0.5 * a00 + a01 * (kH - 0.5) + t0 + 0.5;
  const double imTy = kH - 0.5 + 0.5 * a10 - a11 * (kH - 0.5) - t1;
  char affine[256];
  std::snprintf(affine, sizeof affine, "%.9f,%.9f,%.9f,%.9f,%.9f,%.9f", a00, -a10, -a01, a11, imTx, imTy);
  ASSERT_EQ(std::system(("/usr/bin/convert " + path("square.ppm") +
                         " -virtual-pixel black -distort AffineProjection '" + affine + "' -depth 8 " +
                         path("theirs.ppm"))
                            .c_str()),
            0);
  const Blob ours = FindBlob(ReadPpm(read(path("ours.ppm")))),
             theirs = FindBlob(ReadPpm(read(path("theirs.ppm"))));
  ASSERT_GT(theirs.right, 0);
  EXPECT_NEAR(ours.cx, theirs.cx, 1.0);
  EXPECT_NEAR(ours.cy, theirs.cy, 1.0);
  EXPECT_NEAR(ours.left, theirs.left, 1);
  EXPECT_NEAR(ours.right, theirs.right, 1);
  EXPECT_NEAR(ours.top, theirs.top, 1);
  EXPECT_NEAR(ours.bottom, theirs.bottom, 1);
}

TEST_F(Pixtool, ComposeRendersALayoutFileAroundAPhoto) {
  fs::create_directories(dir / "Layout");
  ASSERT_EQ(run("convert " + path("in.ppm") + " " + path("photo.tif")), 0);
  std::ofstream(path("Layout/3.xml")) << "<Layout><ID Value=\"3\"/><ASPECT_RATIO Value=\"1.500000\"/>"
                                         "<BG_IMAGE_NAME Value=\"&lt;AP&gt;photo.tif\"/></Layout>";
  ASSERT_EQ(
      run("compose " + path("Layout/3.xml") + " " + path("photo.tif") + " " + path("out.ppm") + " --size 60"),
      0);
  EXPECT_EQ(read(path("out.ppm")).substr(0, 12), "P6\n60 40\n255");
  ASSERT_EQ(run("compose " + path("Layout/3.xml") + " " + path("photo.tif") + " " + path("full.ppm")), 0);
  EXPECT_EQ(read(path("full.ppm")).substr(0, 10), "P6\n7 5\n255");  // the photo's long side
  std::ofstream(path("Layout/4.xml")) << "<Layout><ASPECT_RATIO Value=\"-1\"/></Layout>";
  EXPECT_EQ(run("compose " + path("Layout/4.xml") + " " + path("photo.tif") + " " + path("bad.ppm")), 1);
  EXPECT_EQ(run("compose " + path("in.ppm") + " " + path("photo.tif") + " " + path("bad.ppm")),
            1);  // no layout
  EXPECT_EQ(run("compose " + path("Layout/3.xml") + " " + path("photo.tif")), 2);
}
