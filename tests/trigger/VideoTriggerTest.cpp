// The engine on video: frames from a simulated second device or from the
// station's live preview, the pulse the trigger thread takes, arming and live mode.
#include "FakeTiming.h"
#include "TriggerEngineFixture.h"

#include "pixlib/core/CxImage.h"
#include "trigger/video/SimulatedVideoSource.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace std::chrono_literals;

namespace {

// The station's side as the engine sees it: only live mode is recorded.
class LiveModeHost final : public ITriggerHost {
 public:
  void SoftwareShot(bool) override {}
  void SetLiveMode(bool on) override {
    std::lock_guard lock(mutex);
    changes.push_back(on);
    live = on;
  }
  bool IsLiveMode() const override { return live; }
  std::vector<bool> Changes() {
    std::lock_guard lock(mutex);
    return changes;
  }

  std::mutex mutex;
  std::vector<bool> changes;
  std::atomic<bool> live{false};
};

constexpr int kWidth = 160;
constexpr int kHeight = 120;

// A dark scene with a bright square whose left edge is at `left` (it may stand
// partly or wholly outside).
VideoFrame SquareScene(int left, int side = 100) {
  VideoFrame frame(kWidth, kHeight);
  std::fill(frame.pixels.begin(), frame.pixels.end(), uint8_t{30});
  for (int y = 10; y < 10 + side && y < kHeight; ++y)
    for (int x = std::max(0, left); x < std::min(kWidth, left + side); ++x)
      std::fill_n(&frame.pixels[(static_cast<size_t>(y) * kWidth + x) * 3], 3, uint8_t{230});
  return frame;
}

void FillImage(CxImage& image, uint8_t value) {
  for (int y = 0; y < image.Height(); ++y) std::fill_n(image.GetRowPtr(y), image.Width() * 3, value);
}

class VideoTriggerTest : public ExternalTriggerTest {
 protected:
  // An engine on video with the given device, threshold, filter and dead time.
  RecordingTrigger& VideoEngine(int device, int threshold, int filterMs, int minDelayMs,
                                ITriggerClock* clock = nullptr) {
    m_customise = [this, clock](TriggerServices& services) {
      services.clock = clock;
      services.makeVideoSource = [this] {
        auto source = std::make_unique<SimulatedVideoSource>(1);
        m_source = source.get();
        return source;
      };
    };
    RecordingTrigger& engine = Engine(SourceVideo, "Video Device Index", device);
    m_profile.WriteInt("Trigger Settings", "Video Trigger Threshold", threshold);
    m_profile.WriteInt("Trigger Settings", "TriggerFilter", filterMs);
    m_profile.WriteInt("Trigger Settings", "MinDelay", minDelayMs);
    engine.LoadSettings();
    return engine;
  }
  int Triggers() {
    std::lock_guard lock(m_logMutex);
    return static_cast<int>(std::count_if(m_log.begin(), m_log.end(), [](const std::string& line) {
      return line.rfind("Video Motion ", 0) == 0;
    }));
  }
  // Every pulse sent so far has reached the trigger thread.
  bool PulsesTaken() {
    for (int i = 0; i < 2500 && Logged("Trigger Fall Edge") < Triggers(); ++i)
      std::this_thread::sleep_for(2ms);
    return Logged("Trigger Fall Edge") == Triggers();
  }

  static bool WaitForChanges(LiveModeHost& host, size_t count) {
    for (int i = 0; i < 1000 && host.Changes().size() < count; ++i) std::this_thread::sleep_for(5ms);
    return host.Changes().size() >= count;
  }

  SimulatedVideoSource* m_source = nullptr;
};

// The detector's pulse is 10 ms, far below the 500 ms glitch filter: it still
// shoots, and counts as a shot for the dead time.
TEST_F(VideoTriggerTest, ASquareCrossingTheSceneShootsOncePerEntryAndRespectsTheDeadTime) {
  FakeTiming clock;
  RecordingTrigger& engine = VideoEngine(0, 50, 500, 2000, &clock);
  StartEngine();
  ASSERT_NE(m_source, nullptr);
  clock.Advance(2100);  // past the dead time after the start
  for (int crossing = 1; crossing <= 2; ++crossing) {
    for (int left = -140; left <= kWidth + 20; left += 26) {
      ASSERT_TRUE(m_source->Feed(SquareScene(left)));
      ASSERT_TRUE(PulsesTaken()) << LogText();
      clock.Advance(40);
    }
    EXPECT_EQ(engine.Shots(), crossing) << LogText();
    clock.Advance(3000);
  }
  EXPECT_GT(Triggers(), 2);  // the detector fired more often than the dead time let through
  EXPECT_EQ(Logged("Trigger Spurious Event"), 0);
}

TEST_F(VideoTriggerTest, LivePreviewsTriggerOnlyOnTheVideoSourceAndReArmAfterTheDeadTime) {
  LiveModeHost host;
  RecordingTrigger& engine = VideoEngine(-1, 50, 500, 300);
  engine.Bind(nullptr, &host);
  CxImage preview;
  ASSERT_TRUE(preview.Create(kWidth / 4, kHeight / 4, 0, 0, 0, nullptr));
  const auto show = [&](uint8_t value) {
    FillImage(preview, value);
    return engine.DetectLiveMotion(preview);
  };
  EXPECT_FALSE(show(0));  // not running
  StartEngine();
  engine.ArmVideo();
  EXPECT_EQ(host.Changes(), std::vector<bool>{true});
  for (int frame = 0; frame < CMotionDetector::kArmingFrames; ++frame)
    EXPECT_FALSE(show(frame % 2 ? 0 : 255));
  std::this_thread::sleep_for(350ms);  // past the dead time after the start
  EXPECT_FALSE(show(0));
  engine.SetSuspended(true);
  EXPECT_FALSE(show(255));
  engine.SetSuspended(false);
  EXPECT_FALSE(show(0));
  EXPECT_TRUE(show(255));
  EXPECT_EQ(preview.GetRowPtr(0)[0], 255);  // the shown frame holds the difference
  ASSERT_TRUE(engine.WaitForShots(1)) << LogText();
  ASSERT_TRUE(WaitForChanges(host, 3));
  EXPECT_EQ(host.Changes(), (std::vector<bool>{true, false, true}));

  // Stopping cancels the re-arming of a trigger: stopped once live mode has
  // ended, well before the dead time re-arms.
  for (int frame = 0; frame <= CMotionDetector::kArmingFrames; ++frame) show(0);
  EXPECT_TRUE(show(255));
  ASSERT_TRUE(WaitForChanges(host, 4));
  engine.Stop();
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(host.Changes(), (std::vector<bool>{true, false, true, false}));
}

TEST_F(VideoTriggerTest, OtherSourcesIgnoreThePreviewAndAMissingDeviceIsLogged) {
  LiveModeHost host;
  RecordingTrigger& serial = Engine(SourceSerialDsr);
  serial.Bind(nullptr, &host);
  StartEngine();
  CxImage preview;
  ASSERT_TRUE(preview.Create(8, 8, 0, 0, 0, nullptr));
  for (uint8_t value : {0, 255}) {
    FillImage(preview, value);
    EXPECT_FALSE(serial.DetectLiveMotion(preview));
  }
  serial.ArmVideo();
  EXPECT_TRUE(host.Changes().empty());
  serial.Stop();

  RecordingTrigger& video = VideoEngine(3, 50, 500, 0);
  StartEngine();
  EXPECT_TRUE(video.IsRunning());
  EXPECT_NE(LogText().find("Video device 3 not started: no video capture device at position 3"),
            std::string::npos)
      << LogText();
}

// Frames of the GStreamer test source, fed through the simulated device: the
// ball is small (its score stays near 4), snow is new noise each frame (about 128).
class GStreamerSequenceTest : public VideoTriggerTest {
 protected:
  static constexpr const char* kLauncher = "/usr/bin/gst-launch-1.0";

  std::vector<VideoFrame> Pattern(const char* pattern, int frames) {
    const std::string file = m_folder.Path() + "/" + pattern + ".bgr";
    const std::string command = std::string(kLauncher) + " -q videotestsrc pattern=" + pattern +
                                " num-buffers=" + std::to_string(frames) +
                                " ! video/x-raw,format=BGR,width=160,height=120 ! filesink location=" + file +
                                " >/dev/null 2>&1";
    std::vector<VideoFrame> sequence;
    if (std::system(command.c_str()) != 0) return sequence;
    std::ifstream in(file, std::ios::binary);
    for (VideoFrame frame(kWidth, kHeight); in.read(reinterpret_cast<char*>(frame.pixels.data()),
                                                    static_cast<std::streamsize>(frame.pixels.size()));)
      sequence.push_back(frame);
    return sequence;
  }
  // How many frames of the pattern trigger at the threshold.
  int TriggersOn(const std::vector<VideoFrame>& frames, int threshold) {
    VideoEngine(0, threshold, 500, 0);
    StartEngine();
    const int before = Triggers();
    // Each pulse is taken before the next frame: pulses made faster than a
    // loaded machine runs the trigger thread would merge into one.
    for (const VideoFrame& frame : frames) {
      EXPECT_TRUE(m_source->Feed(frame));
      EXPECT_TRUE(PulsesTaken());
    }
    const int triggers = Triggers() - before;
    if (triggers > 0) {
      EXPECT_TRUE(m_engine->WaitForShots(1));
    }
    m_engine->Stop();
    return triggers;
  }
};

TEST_F(GStreamerSequenceTest, TheBallTriggersOnlyAtALowThresholdAndSnowAtTheDefault) {
  if (!std::filesystem::exists(kLauncher))
    GTEST_SKIP() << kLauncher << " is missing: install gstreamer1.0-tools and gstreamer1.0-plugins-base";
  const std::vector<VideoFrame> ball = Pattern("ball", 30);
  const std::vector<VideoFrame> snow = Pattern("snow", 30);
  ASSERT_EQ(ball.size(), 30u);
  ASSERT_EQ(snow.size(), 30u);
  EXPECT_EQ(TriggersOn(ball, 50), 0);
  EXPECT_GT(TriggersOn(ball, 3), 5);
  EXPECT_GE(TriggersOn(snow, 50), 14);  // every frame but the references after triggers
  EXPECT_EQ(TriggersOn(snow, 140), 0);
}

}  // namespace
