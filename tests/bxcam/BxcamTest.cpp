// bxcam's command line, frame files and software-triggered grabbing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "pylon/sim/Simulator.h"
#include "tools/bxcam/FrameWriter.h"
#include "tools/bxcam/GrabCommand.h"

namespace {

std::optional<bxcam::Options> Parse(std::vector<std::string> words, std::string& error) {
  words.insert(words.begin(), "bxcam");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  return bxcam::ParseOptions(int(argv.size()), argv.data(), error);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class TempDir {
 public:
  TempDir() : path(std::filesystem::temp_directory_path() / ("bxcam_" + std::to_string(getpid()))) {
    std::filesystem::remove_all(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::filesystem::path path;
};

}  // namespace

TEST(BxcamOptions, AcceptsTheDocumentedFormsAndRejectsTheRest) {
  std::string error;
  auto grab = Parse({"--transport", "sim", "grab", "-d", "1", "-n", "3", "-o", "out", "--set",
                     "PixelFormat=Mono8", "--set", "GainRaw=5", "--raw"},
                    error);
  ASSERT_TRUE(grab) << error;
  EXPECT_EQ(grab->transport, "sim");
  EXPECT_EQ(grab->device, 1u);
  EXPECT_EQ(grab->count, 3);
  ASSERT_EQ(grab->settings.size(), 2u);
  EXPECT_EQ(grab->settings[1], (std::pair<std::string, std::string>{"GainRaw", "5"}));
  EXPECT_TRUE(grab->raw);
  auto set = Parse({"set", "ExposureTimeRaw", "300"}, error);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->transport, "aravis");  // real cameras unless asked otherwise
  EXPECT_EQ(set->arguments, (std::vector<std::string>{"ExposureTimeRaw", "300"}));
  auto video = Parse({"video", "grab", "-d", "2", "-n", "5", "-o", "frames"}, error);
  ASSERT_TRUE(video) << error;
  EXPECT_EQ(video->arguments, std::vector<std::string>{"grab"});
  EXPECT_EQ(video->device, 2u);
  EXPECT_TRUE(Parse({"video", "list"}, error));

  for (const auto& bad : std::vector<std::vector<std::string>>{{"--transport", "usb", "list"},
                                                               {"grab", "-n", "0", "-o", "x"},
                                                               {"grab", "-n", "2"},
                                                               {"get"},
                                                               {"set", "Width"},
                                                               {"frobnicate"},
                                                               {},
                                                               {"grab", "-o", "x", "--set", "Width"},
                                                               {"list", "-d", "-1"},
                                                               {"video"},
                                                               {"video", "grab", "-n", "2"},
                                                               {"video", "record", "-o", "x"}}) {
    error.clear();
    EXPECT_FALSE(Parse(bad, error)) << bad.size();
    EXPECT_FALSE(error.empty());
  }
}

TEST(BxcamFrameWriter, WritesNetpbmWithoutPaddingAndNamesRawFiles) {
  TempDir dir;
  std::filesystem::create_directories(dir.path);
  // 2 x 2 BGR frame with 2 bytes of padding per row.
  std::vector<uint8_t> bgr = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12, 99, 99};
  Pylon::GrabResult frame;
  frame.m_buffer = bgr.data();
  frame.m_pixelType = Pylon::PixelType_BGR8packed;
  frame.m_sizeX = 2;
  frame.m_sizeY = 2;
  frame.m_paddingX = 2;
  frame.m_payloadSize = int64_t(bgr.size());
  const auto ppm = bxcam::WriteFrame(frame, dir.path, 7, false);
  EXPECT_EQ(ppm.filename(), "frame_0007.ppm");
  EXPECT_EQ(ReadFile(ppm), std::string("P6\n2 2\n255\n") +
                               std::string("\x03\x02\x01\x06\x05\x04\x09\x08\x07\x0c\x0b\x0a", 12));
  const auto raw = bxcam::WriteFrame(frame, dir.path, 8, true);
  EXPECT_EQ(raw.filename(), "frame_0008_2x2_BGR8Packed.raw");
  EXPECT_EQ(ReadFile(raw), std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 12));
  frame.m_payloadSize = 10;  // shorter than the rows it claims
  EXPECT_THROW(bxcam::WriteFrame(frame, dir.path, 9, true), std::runtime_error);
}

TEST(BxcamGrab, AppliesSettingsAndWritesSoftwareTriggeredFrames) {
  Pylon::PylonAutoInitTerm sdk;
  auto& factory = Pylon::CTlFactory::GetInstance();
  factory.SelectTransport("sim");
  Pylon::SSimulatorConfig config;
  config.sensorWidth = 160;
  config.sensorHeight = 120;
  factory.Simulator().Configure(config);
  TempDir dir;
  std::string error;
  auto options = Parse({"--transport", "sim", "grab", "-n", "2", "-o", dir.path.string(), "--set",
                        "PixelFormat=Mono8", "--set", "Width=80"},
                       error);
  ASSERT_TRUE(options) << error;
  std::ostringstream out;
  {
    bxcam::CameraSession session(*options);
    EXPECT_EQ(bxcam::GrabFrames(session, *options, out), 0);
    EXPECT_EQ(GenApi::CValuePtr(&session.Feature("TriggerSource"))->ToString(), "Software");
  }
  const std::string first = ReadFile(dir.path / "frame_0001.pgm");
  EXPECT_EQ(first.substr(0, 14), "P5\n80 120\n255\n");
  EXPECT_EQ(first.size(), 14u + 80 * 120);
  EXPECT_TRUE(std::filesystem::exists(dir.path / "frame_0002.pgm"));

  options->settings = {{"NoSuchFeature", "1"}};
  bxcam::CameraSession session(*options);
  EXPECT_THROW(bxcam::GrabFrames(session, *options, out), GenICam::InvalidArgumentException);
}
