// The live picture: scaled, encoded once per frame for every viewer, at most
// ten frames a second, and a viewer that reads nothing holds up nobody.
#include "remote/PreviewFrames.h"

#include "StationTestBase.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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

TEST(PreviewFramesTest, OneEncodingPerFrameScaledTheRightWayUpAtMostTenASecondOnlyWhileWatched) {
  PreviewFrames frames;
  Picture picture(1600, 1200, 3);
  frames.Offer(picture.view);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(frames.FramesEncoded(), 0u) << "encoded for nobody";

  PreviewFrames::Viewer first(frames);
  PreviewFrames::Viewer second(frames);
  std::atomic<bool> running{true};
  const auto started = std::chrono::steady_clock::now();
  std::thread camera([&] {
    for (; running; std::this_thread::sleep_for(20ms)) frames.Offer(picture.view);
  });
  std::vector<PreviewFrames::FramePtr> seen;
  while (seen.size() < 6) {
    PreviewFrames::FramePtr frame = first.Next(10s);
    ASSERT_NE(frame, nullptr);
    seen.push_back(frame);
  }
  running = false;
  camera.join();
  const double elapsedMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  // The second viewer is sent the very same encoding as the first.
  if (PreviewFrames::FramePtr last = first.Next(500ms)) seen.push_back(last);
  EXPECT_EQ(second.Next(1s), seen.back());
  EXPECT_LE(frames.FramesEncoded(), elapsedMs / PreviewFrames::kMinIntervalMs + 1);
  const Decoded decoded = Decode(seen.back()->jpeg);
  EXPECT_EQ(decoded.width, 1024);
  EXPECT_EQ(decoded.height, 768);
  ASSERT_FALSE(decoded.grey.empty());
  EXPECT_GT(decoded.grey[1024 * 10], 200);  // the white top
  EXPECT_LT(decoded.grey[1024 * 700], 50);

  std::thread stopper([&] { frames.Stop(); });
  EXPECT_EQ(first.Next(30s), nullptr) << "a viewer ends when the frames stop";
  stopper.join();
}

// Reads the preview stream for `length`; the frames it got, decoded.
std::vector<Decoded> Watch(int port, std::chrono::seconds length) {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(length + 5s);
  const auto end = std::chrono::steady_clock::now() + length;
  std::string buffer;
  std::vector<Decoded> frames;
  client.Get("/api/v1/preview.mjpg", [&](const char* data, std::size_t size) {
    buffer.append(data, size);
    // Each part: "--bxframe", its headers with Content-Length, a blank line, the JPEG.
    for (;;) {
      const std::size_t length = buffer.find("Content-Length: ");
      const std::size_t body = buffer.find("\r\n\r\n", length);
      if (length == std::string::npos || body == std::string::npos) break;
      const std::size_t bytes = std::stoul(buffer.substr(length + 16));
      if (buffer.size() < body + 4 + bytes) break;
      frames.push_back(Decode({buffer.begin() + body + 4, buffer.begin() + body + 4 + bytes}));
      buffer.erase(0, body + 4 + bytes);
    }
    return std::chrono::steady_clock::now() < end;
  });
  return frames;
}

// A viewer that asks for the stream and never reads a byte of it.
class StalledViewer {
 public:
  explicit StalledViewer(int port) : m_socket(::socket(AF_INET, SOCK_STREAM, 0)) {
    const int small = 4096;
    ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const std::string request = "GET /api/v1/preview.mjpg HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    m_asked = ::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ::send(m_socket, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size());
  }
  ~StalledViewer() { ::close(m_socket); }
  bool Asked() const { return m_asked; }

 private:
  int m_socket;
  bool m_asked = false;
};

}  // namespace

class StationPreviewTest : public StationTest {};

TEST_F(StationPreviewTest, TwoViewersGetFramesWhileAThirdReadsNothingAndTheCameraKeepsItsPace) {
  const int port = FreePort();
  CountingStation& station =
      Start(true, true, "[Remote Settings]\nEnabled=1\nPort=" + std::to_string(port) + "\n");
  ASSERT_EQ(station.RemotePort(), port);
  station.SetLiveMode(true);
  // The camera's pace while nobody watches.
  const auto Pace = [&station](std::chrono::seconds length) {
    const int before = station.released;
    const auto started = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(length);
    return (station.released - before) /
           std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  };
  const double alone = Pace(3s);

  const StalledViewer stalled(port);
  ASSERT_TRUE(stalled.Asked());
  std::vector<Decoded> watched[2];
  std::thread viewers[2];
  for (int v = 0; v < 2; ++v) viewers[v] = std::thread([&, v] { watched[v] = Watch(port, 10s); });
  const double watching = Pace(10s);
  for (std::thread& viewer : viewers) viewer.join();

  for (const std::vector<Decoded>& frames : watched) {
    EXPECT_GE(frames.size(), 5u);
    for (const Decoded& frame : frames) {
      EXPECT_FALSE(frame.grey.empty());
      EXPECT_EQ(frame.width, kSensorWidth);
      EXPECT_EQ(frame.height, kSensorHeight);
    }
  }
  EXPECT_GE(watching, 0.8 * alone) << "frames a second: " << alone << " alone, " << watching << " watched";
}
