// pixtool's colour twist against ImageMagick's -color-matrix on the same
// pixels: the colour transformer's matrix for a strong correction.

#include "pixlib/core/ColorMatrix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 96, kHeight = 64;

std::string read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The pixels of a P6 file written with a plain "P6\nW H\n255\n" header.
std::string pixelsOf(const fs::path& file) {
  const std::string data = read(file);
  const std::string header = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
  return data.compare(0, header.size(), header) == 0 ? data.substr(header.size()) : std::string();
}

// balance, saturation and brightness as the transformer chains them.
void correctionMatrix(float* m) {
  float factor[16];
  Mult4(rgbrgb8, yccrgb, m);
  RedMatrix(1.4f, factor);
  Concat4(m, factor);
  GreenMatrix(0.8f, factor);
  Concat4(m, factor);
  BlueMatrix(1.2f, factor);
  Concat4(m, factor);
  SaturationMatrix(1.3f, factor);
  Concat4(m, factor);
  BrightnessMatrix(1.1f, factor);
  Concat4(m, factor);
  Concat4(m, rgbycc);
  Concat4(m, rgb8rgb);
}

}  // namespace

TEST(ColourMatrixVsImageMagick, TwistMatchesColorMatrix) {
  if (!fs::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick's /usr/bin/convert is not installed";
  const fs::path dir = fs::temp_directory_path() / ("pixtool-colour-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    // Every channel runs through its range at a different rate: R, G, B in file order.
    std::ofstream out(dir / "in.ppm", std::ios::binary);
    out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        out.put(static_cast<char>(x * 255 / (kWidth - 1)));
        out.put(static_cast<char>(y * 255 / (kHeight - 1)));
        out.put(static_cast<char>((x * 7 + y * 13) % 256));
      }
  }
  float m[16];
  correctionMatrix(m);
  std::ostringstream ours, theirs;
  ours << PIXTOOL_PATH << " ops load " << dir / "in.ppm"
       << " twist";
  for (float v : m) ours << " " << v;
  ours << " write " << dir / "ours.ppm";
  // The twist works in B, G, R order; ImageMagick's matrix in R, G, B.
  theirs << "/usr/bin/convert " << dir / "in.ppm"
         << " -color-matrix '";
  for (int r = 2; r >= 0; --r)
    for (int c = 2; c >= 0; --c) theirs << m[4 * r + c] << " ";
  theirs << "' -depth 8 " << dir / "theirs.ppm";
  ASSERT_EQ(std::system(ours.str().c_str()), 0) << ours.str();
  ASSERT_EQ(std::system(theirs.str().c_str()), 0) << theirs.str();

  const std::string a = pixelsOf(dir / "ours.ppm"), b = pixelsOf(dir / "theirs.ppm");
  ASSERT_EQ(a.size(), size_t(kWidth) * kHeight * 3);
  ASSERT_EQ(b.size(), a.size());
  int worst = 0, changed = 0;
  const std::string in = pixelsOf(dir / "in.ppm");
  for (size_t i = 0; i < a.size(); ++i) {
    worst = std::max(worst,
                     std::abs(int(static_cast<unsigned char>(a[i])) - int(static_cast<unsigned char>(b[i]))));
    changed += a[i] != in[i];
  }
  EXPECT_LE(worst, 1);
  EXPECT_GT(changed, int(a.size()) / 2);  // the matrix does change the picture
  fs::remove_all(dir);
}
