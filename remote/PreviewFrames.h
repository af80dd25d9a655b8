#pragma once

#include "pixlib/codecs/PixelView.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace remote {

// The live picture for any number of viewers: the station offers frames, at
// most one in kMinIntervalMs is taken, scaled to at most kMaxSide pixels and
// encoded as JPEG once on a thread of its own; every viewer then sends that
// same frame. Offering never waits for the encoder or a viewer: a frame that
// comes while the previous one still waits for the encoder, or while nobody
// watches, is skipped; a viewer that is still sending misses the frames
// encoded meanwhile and gets the newest one next.
class PreviewFrames {
 public:
  static constexpr int kMaxSide = 1024;
  static constexpr int kMinIntervalMs = 100;
  static constexpr int kQuality = 80;

  struct Frame {
    std::uint64_t number = 0;  // 1, 2, ... in encoding order
    std::vector<unsigned char> jpeg;
  };
  using FramePtr = std::shared_ptr<const Frame>;

  // Held by each viewer: frames are taken only while someone holds one.
  class Viewer {
   public:
    explicit Viewer(PreviewFrames& frames);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;
    // The newest frame after the one this viewer sent last; null when none
    // came within `wait` or the frames stopped.
    FramePtr Next(std::chrono::milliseconds wait);
    bool Stopped() const;

   private:
    PreviewFrames& m_frames;
    std::uint64_t m_last = 0;
  };

  PreviewFrames();
  ~PreviewFrames();
  PreviewFrames(const PreviewFrames&) = delete;
  PreviewFrames& operator=(const PreviewFrames&) = delete;

  // A frame of the camera (8-bit, 1, 3 or 4 channels, in memory): copied,
  // scaled, when it is to be taken; otherwise left alone at once.
  void Offer(const pixcodec::PixelView& picture);
  // Ends the encoder and wakes every viewer: their streams then end.
  void Stop();
  int Viewers() const;
  std::uint64_t FramesEncoded() const;

 private:
  // A frame taken for encoding: top row first.
  struct Pixels {
    std::vector<unsigned char> data;
    int width = 0;
    int height = 0;
    int channels = 0;
  };

  bool Accepts(std::chrono::steady_clock::time_point now);
  void Encode();

  mutable std::mutex m_lock;
  std::condition_variable m_taken;    // the encoder waits here for a frame
  std::condition_variable m_encoded;  // viewers wait here for the next frame
  int m_viewers = 0;
  bool m_filling = false;  // Offer is copying a frame into m_next
  bool m_pending = false;  // m_next holds a frame not yet encoded
  bool m_stopping = false;
  std::chrono::steady_clock::time_point m_lastTaken;
  Pixels m_next;
  Pixels m_spare;  // the buffer of the frame encoded last, to be filled again
  FramePtr m_latest;
  std::thread m_encoder;
};

}  // namespace remote
