#include "trigger/video/FrameDecoding.h"

#include <opencv2/imgproc.hpp>
#include <turbojpeg.h>

#include <memory>

bool DecodeYuyv(const uint8_t* data, size_t size, int width, int height, int stride, VideoFrame& frame) {
  if (width <= 0 || height <= 0 || width % 2 != 0 || stride < width * 2 ||
      size < static_cast<size_t>(stride) * static_cast<size_t>(height))
    return false;
  frame = VideoFrame(width, height);
  const cv::Mat packed(height, width, CV_8UC2, const_cast<uint8_t*>(data), static_cast<size_t>(stride));
  cv::Mat bgr(height, width, CV_8UC3, frame.pixels.data());
  cv::cvtColor(packed, bgr, cv::COLOR_YUV2BGR_YUYV);
  return true;
}

bool DecodeMjpeg(const uint8_t* data, size_t size, int width, int height, VideoFrame& frame) {
  const std::unique_ptr<void, int (*)(tjhandle)> decoder(tjInitDecompress(), tjDestroy);
  if (!decoder || size == 0) return false;
  int jpegWidth = 0, jpegHeight = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(decoder.get(), data, static_cast<unsigned long>(size), &jpegWidth, &jpegHeight,
                          &subsampling, &colourspace) != 0 ||
      jpegWidth != width || jpegHeight != height)
    return false;
  frame = VideoFrame(width, height);
  return tjDecompress2(decoder.get(), data, static_cast<unsigned long>(size), frame.pixels.data(), width,
                       width * 3, height, TJPF_BGR, 0) == 0;
}
