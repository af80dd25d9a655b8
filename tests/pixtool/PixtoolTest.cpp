// pixtool from the outside: its rotations and mirrors against netpbm's
// pamflip, its errors as exit codes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    ASSERT_EQ(std::system(("/usr/bin/pamflip " + flip + " " + path("in.ppm") + " > " + path("ref.ppm")).c_str()), 0);
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
  ASSERT_EQ(run("ops load " + path("in.ppm") + " copy 0 1 0.7 0 14 10 resize 3 2 write " + path("small.ppm")), 0);
  EXPECT_EQ(read(path("small.ppm")).substr(0, 11), "P6\n3 2\n255\n");
  ASSERT_EQ(std::system((std::string(PIXTOOL_PATH) + " info " + path("small.ppm") + " > " + path("info.txt")).c_str()), 0);
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
