#include "remote/PreviewFrames.h"

#include "pixlib/codecs/jpeg/JpegDestination.h"
#include "pixlib/codecs/jpeg/SystemJpegEncoder.h"
#include "platform/ThreadName.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kDpi = 72;

// Nearest-neighbour scaling so that the longer side is at most `maxSide`.
void Scale(const pixcodec::PixelView& picture, int maxSide, std::vector<unsigned char>& data, int& width,
           int& height) {
  const int longer = std::max(picture.width, picture.height);
  const double factor = longer > maxSide ? static_cast<double>(maxSide) / longer : 1.0;
  width = std::max(1, static_cast<int>(picture.width * factor));
  height = std::max(1, static_cast<int>(picture.height * factor));
  const int channels = picture.channels;
  data.resize(static_cast<std::size_t>(width) * height * channels);
  std::vector<int> columns(width);
  for (int x = 0; x < width; ++x)
    columns[x] = static_cast<int>(static_cast<long long>(x) * picture.width / width) * channels;
  for (int y = 0; y < height; ++y) {
    const unsigned char* source =
        picture.TopRow(static_cast<int>(static_cast<long long>(y) * picture.height / height));
    unsigned char* target = data.data() + static_cast<std::size_t>(y) * width * channels;
    for (int x = 0; x < width; ++x) std::memcpy(target + x * channels, source + columns[x], channels);
  }
}

}  // namespace

namespace remote {

PreviewFrames::Viewer::Viewer(PreviewFrames& frames) : m_frames(frames) {
  std::lock_guard lock(m_frames.m_lock);
  ++m_frames.m_viewers;
}

PreviewFrames::Viewer::~Viewer() {
  std::lock_guard lock(m_frames.m_lock);
  --m_frames.m_viewers;
}

PreviewFrames::FramePtr PreviewFrames::Viewer::Next(std::chrono::milliseconds wait) {
  std::unique_lock lock(m_frames.m_lock);
  const bool fresh = m_frames.m_encoded.wait_for(lock, wait, [this] {
    return m_frames.m_stopping || (m_frames.m_latest && m_frames.m_latest->number > m_last);
  });
  if (!fresh || m_frames.m_stopping) return nullptr;
  m_last = m_frames.m_latest->number;
  return m_frames.m_latest;
}

bool PreviewFrames::Viewer::Stopped() const {
  std::lock_guard lock(m_frames.m_lock);
  return m_frames.m_stopping;
}

PreviewFrames::PreviewFrames() : m_encoder(&PreviewFrames::Encode, this) {}

PreviewFrames::~PreviewFrames() { Stop(); }

void PreviewFrames::Stop() {
  {
    std::lock_guard lock(m_lock);
    m_stopping = true;
  }
  m_taken.notify_all();
  m_encoded.notify_all();
  if (m_encoder.joinable()) m_encoder.join();
}

int PreviewFrames::Viewers() const {
  std::lock_guard lock(m_lock);
  return m_viewers;
}

std::uint64_t PreviewFrames::FramesEncoded() const {
  std::lock_guard lock(m_lock);
  return m_latest ? m_latest->number : 0;
}

bool PreviewFrames::Accepts(std::chrono::steady_clock::time_point now) {
  return m_viewers > 0 && !m_stopping && !m_pending && !m_filling &&
         now - m_lastTaken >= std::chrono::milliseconds(kMinIntervalMs);
}

void PreviewFrames::Offer(const pixcodec::PixelView& picture) {
  if (picture.data == nullptr || picture.width <= 0 || picture.height <= 0 || picture.channels < 1 ||
      picture.channels > 4)
    return;
  Pixels pixels;
  {
    std::lock_guard lock(m_lock);
    const auto now = std::chrono::steady_clock::now();
    if (!Accepts(now)) return;
    m_filling = true;
    m_lastTaken = now;
    pixels = std::move(m_spare);
  }
  // The copy runs unlocked: viewers and the encoder go on meanwhile.
  Scale(picture, kMaxSide, pixels.data, pixels.width, pixels.height);
  pixels.channels = picture.channels;
  {
    std::lock_guard lock(m_lock);
    m_next = std::move(pixels);
    m_filling = false;
    m_pending = true;
  }
  m_taken.notify_one();
}

void PreviewFrames::Encode() {
  bx::NameThisThread("bx-preview");
  std::uint64_t number = 0;
  for (;;) {
    Pixels pixels;
    {
      std::unique_lock lock(m_lock);
      m_taken.wait(lock, [this] { return m_pending || m_stopping; });
      if (m_stopping) return;
      pixels = std::move(m_next);
      m_pending = false;
    }
    auto frame = std::make_shared<Frame>();
    pixcodec::PixelView view;
    view.data = pixels.data.data();
    view.width = pixels.width;
    view.height = pixels.height;
    view.channels = pixels.channels;
    view.step = static_cast<std::ptrdiff_t>(pixels.width) * pixels.channels;
    view.bottomUp = false;
    pixcodec::VectorSink sink(frame->jpeg);
    const bool encoded = pixcodec::EncodeJpegSystem(view, kQuality, kDpi, kDpi, sink);
    {
      std::lock_guard lock(m_lock);
      m_spare = std::move(pixels);
      if (!encoded) continue;
      frame->number = ++number;
      m_latest = std::move(frame);
    }
    m_encoded.notify_all();
  }
}

}  // namespace remote
