#include "remote/PreviewStream.h"

#include <string>

namespace remote {

namespace {

constexpr const char* kBoundary = "bxframe";
// How long a viewer waits for a new frame before it sends its last one again:
// a viewer that went away is noticed only when a write fails.
constexpr std::chrono::milliseconds kRepeatAfter{5000};
constexpr std::chrono::milliseconds kPoll{500};

const std::string kDelimiter = std::string("--") + kBoundary + "\r\n";

// A part, closed at once by the next delimiter: a browser shows a part only
// once it has seen the delimiter after it, and a triggered camera's next
// frame may be minutes away.
bool Send(StreamSink& sink, const PreviewFrames::Frame& frame) {
  const std::string header =
      "Content-Type: image/jpeg\r\nContent-Length: " + std::to_string(frame.jpeg.size()) + "\r\n\r\n";
  const std::string_view bytes(reinterpret_cast<const char*>(frame.jpeg.data()), frame.jpeg.size());
  return sink.Write(header) && sink.Write(bytes) && sink.Write("\r\n" + kDelimiter);
}

void Stream(PreviewFrames& frames, StreamSink& sink) {
  PreviewFrames::Viewer viewer(frames);
  if (!sink.Write(kDelimiter)) return;
  PreviewFrames::FramePtr last;
  auto sentAt = std::chrono::steady_clock::now();
  while (!sink.Stopping()) {
    PreviewFrames::FramePtr frame = viewer.Next(kPoll);
    if (!frame) {
      if (viewer.Stopped()) return;
      if (!last || std::chrono::steady_clock::now() - sentAt < kRepeatAfter) continue;
      frame = last;
    }
    if (!Send(sink, *frame)) return;
    last = std::move(frame);
    sentAt = std::chrono::steady_clock::now();
  }
}

}  // namespace

void AddPreviewRoute(Router& router, PreviewFrames& frames) {
  router.AddStream("/api/v1/preview.mjpg", std::string("multipart/x-mixed-replace; boundary=") + kBoundary,
                   [&frames](const HttpRequest&, StreamSink& sink) { Stream(frames, sink); });
}

}  // namespace remote
