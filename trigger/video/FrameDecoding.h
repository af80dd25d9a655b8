#pragma once
// The pixel formats video devices deliver, turned into BGR frames.
#include "trigger/video/VideoFrame.h"

#include <cstddef>
#include <cstdint>

// Packed 4:2:2 (Y0 U Y1 V); `stride` bytes per row. False when the buffer is too short.
bool DecodeYuyv(const uint8_t* data, size_t size, int width, int height, int stride, VideoFrame& frame);
// One JPEG picture (the frame of an MJPEG stream). False when it does not decode
// or its size differs from width x height.
bool DecodeMjpeg(const uint8_t* data, size_t size, int width, int height, VideoFrame& frame);
