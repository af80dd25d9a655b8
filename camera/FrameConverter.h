#pragma once
// Turns a raw camera frame into an 8-bit BGR (or BGRA) IPL image and says who
// owns the result. The picture can be mirrored top to bottom (Bayer frames while
// they are demosaiced, other formats in the raw buffer first), so that the
// bottom-left-origin output shows the picture the right way up.
#include <chrono>
#include <cstdint>

#include "camera/ImageOwnership.h"
#include "ipl/Ipl.h"
#include "pylon/PixelType.h"

struct SConvertedFrame {
  IplImage* image = nullptr;
  ImageOwnership ownership = OwnershipKeptByConverter;
};

class CFrameConverter {
 public:
  CFrameConverter() = default;
  ~CFrameConverter();
  CFrameConverter(const CFrameConverter&) = delete;
  CFrameConverter& operator=(const CFrameConverter&) = delete;

  // outputType BGR8packed gives three channels, BGRA8packed four.
  SConvertedFrame Convert(int width, int height, Pylon::EPixelType pixelType, uint8_t* buffer, int stride,
                          Pylon::EPixelType outputType);

  bool GetReuseOutput() const { return m_reuseOutput; }
  void SetReuseOutput(bool reuse) { m_reuseOutput = reuse; }
  bool GetFlip() const { return m_flip; }
  void SetFlip(bool flip) { m_flip = flip; }
  ImageOwnership GetLastOwnership() const { return m_lastOwnership; }
  // How long the last Convert took (flip, demosaic or copy).
  std::chrono::steady_clock::duration GetLastDuration() const { return m_lastDuration; }

 private:
  IplImage* PrepareOutput(int width, int height, int channels);
  bool ConvertToBgr(int width, int height, Pylon::EPixelType pixelType, const uint8_t* buffer, int stride,
                    IplImage* output);
  bool ConvertToBgra(int width, int height, Pylon::EPixelType pixelType, const uint8_t* buffer, int stride,
                     IplImage* output);
  bool DemosaicInto(IplImage* output, Pylon::EPixelType pattern, const uint8_t* buffer, int stride,
                    Pylon::EPixelType targetType);
  bool AllocateData(IplImage* image);

  ImageOwnership m_lastOwnership = OwnershipKeptByConverter;
  bool m_reuseOutput = false;
  bool m_flip = true;
  IplImage* m_output = nullptr;
  std::chrono::steady_clock::duration m_lastDuration{};
};
