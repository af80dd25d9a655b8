#pragma once
// Demosaicing of 8-bit Bayer frames. The 32-bit outputs (RGBA8packed and
// BGRA8packed) are written as a little-endian 0xAARRGGBB word per pixel, that is
// bytes B, G, R, A: the layout whose first three bytes form a BGR pixel, which is
// how the frame converter copies them. BGR8packed writes bytes B, G, R.
#include <cstddef>
#include <cstdint>

#include "pylon/PixelType.h"

namespace Pylon {

struct SImageFormat {
  uint32_t Width = 0;
  uint32_t Height = 0;
  EPixelType PixelFormat = PixelType_Undefined;
  uint32_t LinePitch = 0;  // bytes from one row to the next
};

struct SInputImageFormat : SImageFormat {};

struct SOutputImageFormat {
  EPixelType PixelFormat = PixelType_Undefined;
  uint32_t LinePitch = 0;
};

class CImageFormatConverter {
 public:
  virtual ~CImageFormatConverter() = default;
  virtual void Init(const SInputImageFormat& input) = 0;
  virtual bool IsInitialized() const = 0;
  // Raises InvalidArgumentException when a format is unsupported or a buffer
  // is too small for the described image.
  virtual void Convert(void* target, size_t targetSize, const void* source, size_t sourceSize,
                       const SInputImageFormat& input, const SOutputImageFormat& output) = 0;
};

class CPixelFormatConverterBayer : public CImageFormatConverter {
 public:
  void Init(const SInputImageFormat& input) override;
  bool IsInitialized() const override { return m_initialized; }
  void Convert(void* target, size_t targetSize, const void* source, size_t sourceSize,
               const SInputImageFormat& input, const SOutputImageFormat& output) override;

 private:
  bool m_initialized = false;
};

}  // namespace Pylon
