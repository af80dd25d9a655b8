#pragma once
// A view of one video frame's pixels: 8-bit samples, `channels` per pixel in
// B, G, R (and alpha) order, rows `stride` bytes apart. The view owns nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

struct VideoFrameView {
  uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;  // negative for rows stored bottom-up
  int channels = 3;

  bool IsEmpty() const { return data == nullptr || width <= 0 || height <= 0 || channels < 3; }
  uint8_t* Row(int y) const { return data + y * stride; }
};

// A BGR frame that owns its pixels, rows from the top of the picture down.
struct VideoFrame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3

  VideoFrame() = default;
  VideoFrame(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 3) {}
  VideoFrameView View() { return {pixels.data(), width, height, width * 3, 3}; }
};
