// The live picture: scaled, encoded once per frame for every viewer, at most
// ten frames a second, and a viewer that reads nothing holds up nobody.
#include "remote/PreviewFrames.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

using namespace std::chrono_literals;
using remote::PreviewFrames;

namespace {

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> grey;
};

Decoded Decode(const std::vector<unsigned char>& jpeg) {
  Decoded decoded;
  tjhandle handle = tjInitDecompress();
  int subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &decoded.width, &decoded.height, &subsampling,
                          &colourspace) == 0) {
    decoded.grey.resize(static_cast<std::size_t>(decoded.width) * decoded.height);
    if (tjDecompress2(handle, jpeg.data(), jpeg.size(), decoded.grey.data(), decoded.width, 0, decoded.height,
                      TJPF_GRAY, 0) != 0)
      decoded = {};
  }
  tjDestroy(handle);
  return decoded;
}

// A camera frame: the top of the picture white, the bottom black, stored bottom row first.
struct Picture {
  Picture(int width, int height, int channels) : pixels(static_cast<std::size_t>(width) * height * channels) {
    view.data = pixels.data();
    view.width = width;
    view.height = height;
    view.channels = channels;
    view.step = static_cast<std::ptrdiff_t>(width) * channels;
    view.bottomUp = true;
    for (int row = 0; row < height / 2; ++row)
      std::fill_n(view.TopRow(row), static_cast<std::size_t>(width) * channels, 255);
  }
  std::vector<unsigned char> pixels;
  pixcodec::PixelView view;
};

TEST(PreviewFramesTest, NothingIsEncodedWhileNobodyWatches) {
  PreviewFrames frames;
  Picture picture(64, 48, 3);
  for (int i = 0; i < 5; ++i) {
    frames.Offer(picture.view);
    std::this_thread::sleep_for(std::chrono::milliseconds(PreviewFrames::kMinIntervalMs));
  }
  EXPECT_EQ(frames.FramesEncoded(), 0u);
  PreviewFrames::Viewer viewer(frames);
  frames.Offer(picture.view);
  ASSERT_NE(viewer.Next(5s), nullptr);
  EXPECT_EQ(frames.FramesEncoded(), 1u);
}

TEST(PreviewFramesTest, ViewersShareEachFrameAStalledOneHoldsUpNobody) {
  PreviewFrames frames;
  PreviewFrames::Viewer stalled(frames);  // never reads
  std::atomic<bool> running{true};
  const auto started = std::chrono::steady_clock::now();
  std::thread camera([&] {
    Picture picture(1600, 1200, 3);
    while (running) {
      frames.Offer(picture.view);
      std::this_thread::sleep_for(20ms);
    }
  });
  std::map<std::uint64_t, const PreviewFrames::Frame*> seen[2];
  std::vector<Decoded> firsts(2);
  std::vector<std::thread> viewers;
  for (int v = 0; v < 2; ++v)
    viewers.emplace_back([&, v] {
      PreviewFrames::Viewer viewer(frames);
      std::vector<PreviewFrames::FramePtr> kept;  // so that no frame's address is reused meanwhile
      while (seen[v].size() < 6) {
        PreviewFrames::FramePtr frame = viewer.Next(10s);
        if (!frame) return;
        if (seen[v].empty()) firsts[v] = Decode(frame->jpeg);
        seen[v][frame->number] = frame.get();
        kept.push_back(frame);
      }
    });
  for (std::thread& viewer : viewers) viewer.join();
  running = false;
  camera.join();
  const double elapsedMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();

  for (int v = 0; v < 2; ++v) {
    ASSERT_GE(seen[v].size(), 6u);
    // Scaled to 1024 px on the longer side, the way up kept.
    EXPECT_EQ(firsts[v].width, 1024);
    EXPECT_EQ(firsts[v].height, 768);
    ASSERT_FALSE(firsts[v].grey.empty());
    EXPECT_GT(firsts[v].grey[1024 * 10], 200);
    EXPECT_LT(firsts[v].grey[1024 * 700], 50);
  }
  // A frame both viewers sent is one encoding, not two.
  int shared = 0;
  for (const auto& [number, frame] : seen[0])
    if (seen[1].count(number)) {
      EXPECT_EQ(seen[1][number], frame);
      ++shared;
    }
  EXPECT_GT(shared, 0);
  // At most one frame in each 100 ms, though the camera offered one every 20 ms.
  EXPECT_LE(frames.FramesEncoded(), elapsedMs / PreviewFrames::kMinIntervalMs + 1);
}

TEST(PreviewFramesTest, GreyAndFourChannelFramesAreEncodedAndStopEndsTheViewers) {
  PreviewFrames frames;
  PreviewFrames::Viewer viewer(frames);
  for (int channels : {1, 4}) {
    Picture picture(300, 200, channels);
    PreviewFrames::FramePtr frame;
    for (int attempt = 0; attempt < 50 && !frame; ++attempt) {
      frames.Offer(picture.view);
      frame = viewer.Next(200ms);
    }
    ASSERT_NE(frame, nullptr) << channels;
    const Decoded decoded = Decode(frame->jpeg);
    EXPECT_EQ(decoded.width, 300);
    EXPECT_GT(decoded.grey.at(300 * 5), 200) << channels;
  }
  std::thread stopper([&] {
    std::this_thread::sleep_for(100ms);
    frames.Stop();
  });
  EXPECT_EQ(viewer.Next(30s), nullptr);
  EXPECT_TRUE(viewer.Stopped());
  stopper.join();
}

}  // namespace
