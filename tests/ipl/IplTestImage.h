#pragma once
// An owned IPL image for tests, with sample access in stored-row order.

#include "ipl/Ipl.h"

#include <cstdint>
#include <vector>

class TestImage {
 public:
  TestImage(int width, int height, int channels, int alphaChannel = 0, int origin = IPL_ORIGIN_TL);
  ~TestImage();
  TestImage(const TestImage&) = delete;
  TestImage& operator=(const TestImage&) = delete;

  IplImage* operator->() const { return m_image; }
  operator IplImage*() const { return m_image; }
  uint8_t& at(int x, int y, int c = 0);
  // Every sample set to f(x, y, c).
  template <class F>
  void fill(F&& f) {
    for (int y = 0; y < m_image->height; ++y)
      for (int x = 0; x < m_image->width; ++x)
        for (int c = 0; c < m_image->nChannels; ++c) at(x, y, c) = static_cast<uint8_t>(f(x, y, c));
  }
  void setRoi(int coi, int x, int y, int w, int h);

 private:
  IplImage* m_image;
  IplROI m_roi{};
};

// Records what the error handler was given while it is installed.
class ErrorRecorder {
 public:
  ErrorRecorder();
  ~ErrorRecorder();
  static std::vector<IPLStatus>& statuses();

 private:
  IPLErrorCallBack m_previous;
};
