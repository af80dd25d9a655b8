#include "camera/FrameConverter.h"

#include <cstring>

#include "camera/FlippedDemosaic.h"
#include "ipl/Ipp.h"
#include "pylon/BayerConverter.h"
#include "pylon/GenericException.h"

using namespace Pylon;

namespace {

IplImage* CreateOutputHeader(int width, int height, int channels) {
  char threeModel[] = "RGB", threeSequence[] = "BGR";
  char fourModel[] = "RGBA", fourSequence[] = "BGRA";
  const bool four = channels == 4;
  return iplCreateImageHeader(channels, 0, IPL_DEPTH_8U, four ? fourModel : threeModel,
                              four ? fourSequence : threeSequence, IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL,
                              IPL_ALIGN_DWORD, width, height, nullptr, nullptr, nullptr, nullptr);
}

uint8_t* Pixels(IplImage* image) { return reinterpret_cast<uint8_t*>(image->imageData); }

const int kSwapRedBlue[3] = {2, 1, 0};

}  // namespace

CFrameConverter::~CFrameConverter() {
  if (m_output && m_lastOwnership == OwnershipKeptByConverter) iplDeallocate(m_output, IPL_IMAGE_ALL);
}

SConvertedFrame CFrameConverter::Convert(int width, int height, EPixelType pixelType, uint8_t* buffer,
                                         int stride, EPixelType outputType) {
  const auto start = std::chrono::steady_clock::now();
  // Bayer frames are mirrored while they are demosaiced, other formats in place first.
  if (m_flip && !IsBayer8(pixelType) && buffer && stride > 0 && height > 0)
    ippiMirror_8u_C1IR(buffer, stride, IppiSize{stride, height}, ippAxsHorizontal);
  const int channels = outputType == PixelType_BGRA8packed ? 4 : 3;
  IplImage* image = PrepareOutput(width, height, channels);
  bool converted = false;
  if (image && buffer) {
    if (outputType == PixelType_BGR8packed)
      converted = ConvertToBgr(width, height, pixelType, buffer, stride, image);
    else if (outputType == PixelType_BGRA8packed)
      converted = ConvertToBgra(width, height, pixelType, buffer, stride, image);
  }
  if (image && !converted && !m_reuseOutput && image->imageData)
    iplDeallocate(image, IPL_IMAGE_DATA);  // a header-only result carries no pixels
  m_lastOwnership = m_reuseOutput ? OwnershipKeptByConverter
                    : converted   ? OwnershipHeaderAndData
                                  : OwnershipHeaderOnly;
  m_lastDuration = std::chrono::steady_clock::now() - start;
  return {image, m_lastOwnership};
}

// The converter only ever reuses or frees an image it kept itself; an image it
// handed out belongs to the receiver.
IplImage* CFrameConverter::PrepareOutput(int width, int height, int channels) {
  const bool kept = m_output && m_lastOwnership == OwnershipKeptByConverter;
  if (kept) {
    if (m_reuseOutput && m_output->width == width && m_output->height == height &&
        m_output->nChannels == channels)
      return m_output;
    iplDeallocate(m_output, IPL_IMAGE_ALL);
  }
  m_output = width > 0 && height > 0 ? CreateOutputHeader(width, height, channels) : nullptr;
  return m_output;
}

bool CFrameConverter::AllocateData(IplImage* image) {
  if (!image->imageData) iplAllocateImage(image, 0, 0);
  return image->imageData != nullptr;
}

bool CFrameConverter::ConvertToBgr(int width, int height, EPixelType pixelType, const uint8_t* buffer,
                                   int stride, IplImage* output) {
  const IppiSize size{width, height};
  // Demosaicing straight to three channels gives the pixels of the four-channel
  // result without its alpha, in one pass instead of two.
  if (IsBayer8(pixelType)) return DemosaicInto(output, pixelType, buffer, stride, PixelType_BGR8packed);
  switch (pixelType) {
    case PixelType_YUV422packed:
      if (!AllocateData(output)) return false;
      ippiCbYCr422ToRGB_8u_C2C3R(buffer, stride, Pixels(output), output->widthStep, size);
      ippiSwapChannels_8u_C3IR(Pixels(output), output->widthStep, size, kSwapRedBlue);
      return true;
    case PixelType_YUV444packed:
      if (!AllocateData(output)) return false;
      ippiYUVToRGB_8u_C3R(buffer, stride, Pixels(output), output->widthStep, size);
      ippiSwapChannels_8u_C3IR(Pixels(output), output->widthStep, size, kSwapRedBlue);
      return true;
    case PixelType_Mono8:
      // The grey level goes to every colour channel: a grey photo, not a blue one.
      if (!AllocateData(output)) return false;
      for (int channel = 0; channel < 3; ++channel)
        ippiCopy_8u_C1C3R(buffer, stride, Pixels(output) + channel, output->widthStep, size);
      return true;
    default:
      return false;
  }
}

bool CFrameConverter::ConvertToBgra(int width, int height, EPixelType pixelType, const uint8_t* buffer,
                                    int stride, IplImage* output) {
  const IppiSize size{width, height};
  if (IsBayer8(pixelType)) return DemosaicInto(output, pixelType, buffer, stride, PixelType_BGRA8packed);
  switch (pixelType) {
    case PixelType_YUV422packed:
      if (!AllocateData(output)) return false;
      ippiCbYCr422ToBGR_8u_C2C4R(buffer, stride, Pixels(output), output->widthStep, size, 255);
      return true;
    case PixelType_Mono8:
      if (!AllocateData(output)) return false;
      for (int channel = 0; channel < 3; ++channel)
        ippiCopy_8u_C1C4R(buffer, stride, Pixels(output) + channel, output->widthStep, size);
      for (int y = 0; y < height; ++y) {
        uint8_t* alpha = Pixels(output) + size_t(y) * size_t(output->widthStep) + 3;
        for (int x = 0; x < width; ++x) alpha[size_t(x) * 4] = 255;
      }
      return true;
    default:
      return false;
  }
}

// The SDK's Bayer converter raises for frames it cannot demosaic (too small,
// inconsistent pitch); such a frame counts as not converted.
bool CFrameConverter::DemosaicInto(IplImage* output, EPixelType pattern, const uint8_t* buffer, int stride,
                                   EPixelType targetType) {
  if (!AllocateData(output)) return false;
  SInputImageFormat input;
  input.Width = uint32_t(output->width);
  input.Height = uint32_t(output->height);
  input.PixelFormat = pattern;
  input.LinePitch = uint32_t(stride);
  SOutputImageFormat format;
  format.PixelFormat = targetType;
  format.LinePitch = uint32_t(output->widthStep);
  try {
    if (m_flip) {
      DemosaicFlipped(input, buffer, Pixels(output), format);
      return true;
    }
    CPixelFormatConverterBayer converter;
    converter.Init(input);
    converter.Convert(Pixels(output), size_t(output->imageSize), buffer,
                      size_t(stride) * size_t(input.Height), input, format);
    return true;
  } catch (const GenICam::GenericException&) {
    return false;
  }
}
