// The SANE data source with SANE's "test" backend: every transfer mechanism
// gives exactly what scanimage gives for the same options.

#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/codecs/CodecTestSupport.h"
#include "tests/twain/TwainTestSupport.h"

namespace {

using twaintest::RecordingTwain;

constexpr const char* kScanimage = "/usr/bin/scanimage";
constexpr const char* kTestBackendConfig = "/etc/sane.d/test.conf";
// The test backend keeps its settings while the process lives, unlike
// scanimage's fresh process: each acquisition starts from its defaults.
const std::string kDefaults = "mode=Color\nthree-pass=no\nhand-scanner=no\ndepth=8\nsource=Flatbed\n";

class TwainSane : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!codectest::ToolPresent(kScanimage) || !std::filesystem::exists(kTestBackendConfig))
      GTEST_SKIP() << "scanimage or SANE's test backend is not installed";
    // Only the test backend: no network or USB probing. Its own settings
    // (sizes, resolutions) come from the system's file.
    std::ofstream(m_config + "/dll.conf") << "test\n";
    std::filesystem::copy_file(kTestBackendConfig, m_config + "/test.conf");
  }
  void TearDown() override { std::filesystem::remove_all(m_config); }

  // Pictures from test:0 through the library, with SANE options as "name=value" lines.
  std::vector<std::unique_ptr<CxImage>> Acquire(unsigned short mechanism, const std::string& options,
                                                int count = 1, RecordingTwain&& twain = RecordingTwain()) {
    CTwain::ChooseSource("test:0");
    twain.SetCustomData(kDefaults + options);
    twain.SetCapability(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT32>(count));
    EXPECT_TRUE(twain.ModalAcquire(mechanism, nullptr));
    EXPECT_TRUE(twain.SettingsAccepted());
    EXPECT_TRUE(twain.Errors().empty());
    EXPECT_EQ(twain.State(), TWS_PRESESSION);
    return std::move(twain.Images());
  }

  // What scanimage writes for the same device and options. scanimage itself
  // now and then hangs as its reader thread is cancelled (the race the
  // source guards against), so a run that does not end is tried again.
  codectest::Pnm Reference(const std::string& arguments) {
    const std::string out = m_config + "/reference.pnm";
    const std::string command =
        std::string("timeout 10 ") + kScanimage + " -d test:0 --format=pnm " + arguments + " > " + out;
    bool scanned = false;
    for (int attempt = 0; attempt < 3 && !scanned; ++attempt) scanned = codectest::RunCommand(command);
    EXPECT_TRUE(scanned);
    codectest::Pnm pnm;
    EXPECT_TRUE(codectest::ReadPnm(out, pnm));
    return pnm;
  }

  std::string m_config = twaintest::MakeTempFolder();
  twaintest::ScopedEnv m_saneConfig{"SANE_CONFIG_DIR", m_config.c_str()};
  twaintest::ScopedEnv m_sources{"BX_TWAIN_SOURCES", nullptr};
  std::string m_tmp = twaintest::MakeTempFolder();
  twaintest::ScopedEnv m_tmpdir{"TMPDIR", m_tmp.c_str()};
};

struct Variant {
  const char* options;    // for the source
  const char* arguments;  // for scanimage
};

const Variant kVariants[] = {
    {"mode=Color\ndepth=8\ntest-picture=Color pattern\n",
     "--mode Color --depth 8 --test-picture 'Color pattern'"},
    {"mode=Gray\ndepth=8\ntest-picture=Color pattern\n",
     "--mode Gray --depth 8 --test-picture 'Color pattern'"},
    {"mode=Color\ndepth=16\ntest-picture=Color pattern\n",
     "--mode Color --depth 16 --test-picture 'Color pattern'"},
    {"mode=Gray\ndepth=1\ntest-picture=Grid\n", "--mode Gray --depth 1 --test-picture Grid"},
    {"mode=Color\nthree-pass=yes\nthree-pass-order=GBR\ntest-picture=Color pattern\n",
     "--mode Color --three-pass=yes --three-pass-order GBR --test-picture 'Color pattern'"},
    {"mode=Color\nhand-scanner=yes\ntest-picture=Color pattern\n",
     "--mode Color --hand-scanner=yes --test-picture 'Color pattern'"},
};

TEST_F(TwainSane, EveryMechanismMatchesScanimagePixelForPixel) {
  for (const Variant& variant : kVariants) {
    const codectest::Pnm reference = Reference(variant.arguments);
    ASSERT_GT(reference.width, 0) << variant.arguments;
    for (const unsigned short mechanism : {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}) {
      SCOPED_TRACE(::testing::Message() << variant.arguments << ", mechanism " << mechanism);
      auto images = Acquire(mechanism, variant.options);
      ASSERT_EQ(images.size(), 1u);
      EXPECT_EQ(codectest::DifferenceFromPnm(*images[0], reference), 0);
    }
  }
  EXPECT_EQ(twaintest::CountFiles(m_tmp, "bxtwain-"), 0);
}

TEST_F(TwainSane, FeederDeliversSeveralPicturesAndStopsWhenEmpty) {
  const std::string options = "source=Automatic Document Feeder\nmode=Color\ntest-picture=Color pattern\n";
  const codectest::Pnm reference =
      Reference("--source 'Automatic Document Feeder' --mode Color --test-picture 'Color pattern'");
  for (const unsigned short mechanism : {TWSX_NATIVE, TWSX_MEMORY}) {
    auto images = Acquire(mechanism, options, 2);
    ASSERT_EQ(images.size(), 2u);
    for (auto& image : images) EXPECT_EQ(codectest::DifferenceFromPnm(*image, reference), 0);
  }
  // Asking for all: the test feeder holds ten sheets.
  EXPECT_EQ(Acquire(TWSX_MEMORY, options + "resolution=10\n", -1).size(), 10u);
}

TEST_F(TwainSane, CapabilitiesAndAreaMapToTheDeviceOptions) {
  const codectest::Pnm reference = Reference(
      "--mode Gray --depth 8 --resolution 75 -l 12.7 -t 5.08 -x 48.26 -y 68.58 --test-picture 'Color "
      "pattern'");
  RecordingTwain twain;
  TW_UINT32 resolution = 0;
  const TW_FIX32 dpi = ToFix32(75);
  std::memcpy(&resolution, &dpi, sizeof dpi);
  twain.SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY);
  twain.SetCapability(ICAP_XRESOLUTION, TWTY_FIX32, resolution);
  twain.SetFrame(TW_FRAME{ToFix32(0.5), ToFix32(0.2), ToFix32(2.4), ToFix32(2.9)});
  auto images = Acquire(TWSX_MEMORY, "test-picture=Color pattern\n", 1, std::move(twain));
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(codectest::DifferenceFromPnm(*images[0], reference), 0);
  EXPECT_EQ(images[0]->Resolution(), (CSize{75, 75}));
}

TEST_F(TwainSane, PixtoolListsAndScans) {
  const std::string list = m_config + "/list.txt";
  ASSERT_TRUE(codectest::RunCommand(std::string(PIXTOOL_PATH) + " scan --list > " + list));
  std::stringstream listed;
  listed << std::ifstream(list).rdbuf();
  EXPECT_NE(listed.str().find("test:0\t"), std::string::npos) << listed.str();

  const codectest::Pnm reference = Reference("--mode Color --test-picture 'Color pattern'");
  for (const char* mode : {"native", "memory", "file"}) {
    const std::string out = m_config + "/scan.pnm";
    ASSERT_TRUE(codectest::RunCommand(std::string(PIXTOOL_PATH) + " scan --source test:0 --mode " + mode +
                                      " --option mode=Color --option 'test-picture=Color pattern' " + out +
                                      " > /dev/null"));
    codectest::Pnm scanned;
    ASSERT_TRUE(codectest::ReadPnm(out, scanned));
    EXPECT_EQ(scanned.pixels, reference.pixels) << mode;
  }
  EXPECT_FALSE(codectest::RunCommand(std::string(PIXTOOL_PATH) + " scan --source test:0 --option nosuch=1 " +
                                     m_config + "/x.pnm 2> /dev/null"));
}

}  // namespace
