#include "trigger/video/MotionDetector.h"

namespace {

// Saturating per-sample increase of `now` over `before`; `now` takes the
// increase, `before` takes `now`. Written for the compiler to vectorise.
uint32_t DiffRow(uint8_t* __restrict now, uint8_t* __restrict before, int samples) {
  uint32_t sum = 0;
  for (int i = 0; i < samples; ++i) {
    const uint8_t current = now[i];
    const uint8_t increase = current > before[i] ? static_cast<uint8_t>(current - before[i]) : 0;
    before[i] = current;
    now[i] = increase;
    sum += increase;
  }
  return sum;
}

}  // namespace

uint64_t CMotionDetector::DiffAndKeep(const VideoFrameView& frame) {
  const size_t rowBytes = static_cast<size_t>(m_width) * 3;
  uint64_t total = 0;
  if (frame.channels == 3) {
    for (int y = 0; y < frame.height; ++y)
      total += DiffRow(frame.Row(y), m_reference.data() + static_cast<size_t>(y) * rowBytes,
                       static_cast<int>(rowBytes));
    return total;
  }
  // Wider pixels: the colour channels only; the rest (alpha) stays.
  for (int y = 0; y < frame.height; ++y) {
    uint8_t* pixel = frame.Row(y);
    uint8_t* before = m_reference.data() + static_cast<size_t>(y) * rowBytes;
    for (int x = 0; x < frame.width; ++x, pixel += frame.channels, before += 3)
      total += DiffRow(pixel, before, 3);
  }
  return total;
}

CMotionDetector::Result CMotionDetector::Examine(const VideoFrameView& frame, double threshold) {
  Result result;
  // Counted before the test, so that all kArmingFrames frames are spared.
  const bool armed = m_arming == 0;
  if (m_arming > 0) --m_arming;
  if (frame.IsEmpty()) return result;
  if (!m_hasReference || frame.width != m_width || frame.height != m_height) {
    // The first frame, or one of another size: it only becomes the reference.
    m_width = frame.width;
    m_height = frame.height;
    m_reference.resize(static_cast<size_t>(m_width) * m_height * 3);
    for (int y = 0; y < frame.height; ++y) {
      const uint8_t* pixel = frame.Row(y);
      uint8_t* kept = m_reference.data() + static_cast<size_t>(y) * m_width * 3;
      for (int x = 0; x < frame.width; ++x, pixel += frame.channels, kept += 3)
        kept[0] = pixel[0], kept[1] = pixel[1], kept[2] = pixel[2];
    }
    m_hasReference = true;
    return result;
  }
  result.compared = true;
  result.motion = static_cast<double>(DiffAndKeep(frame)) / (static_cast<double>(m_width) * m_height);
  result.triggered = result.motion > threshold && armed;
  if (result.triggered) m_hasReference = false;
  return result;
}
