#include "pylon/BayerConverter.h"

#include <opencv2/imgproc.hpp>
#include <string>

#include "pylon/GenericException.h"

namespace Pylon {
namespace {

[[noreturn]] void Reject(const std::string& text) {
  throw GenICam::InvalidArgumentException(text.c_str(), __FILE__, __LINE__);
}

// Pattern names give the colours of the first two pixels of the first row; the
// conversion codes name the second row's second and third pixels.
int ConversionCode(EPixelType input, uint32_t outputChannels) {
  const bool four = outputChannels == 4;
  switch (input) {
    case PixelType_BayerBG8:
      return four ? cv::COLOR_BayerRG2BGRA : cv::COLOR_BayerRG2BGR;
    case PixelType_BayerRG8:
      return four ? cv::COLOR_BayerBG2BGRA : cv::COLOR_BayerBG2BGR;
    case PixelType_BayerGR8:
      return four ? cv::COLOR_BayerGB2BGRA : cv::COLOR_BayerGB2BGR;
    case PixelType_BayerGB8:
      return four ? cv::COLOR_BayerGR2BGRA : cv::COLOR_BayerGR2BGR;
    default:
      Reject(std::string("Unsupported Bayer input format ") + PixelTypeName(input));
  }
}

uint32_t OutputChannels(EPixelType output) {
  switch (output) {
    case PixelType_RGBA8packed:
    case PixelType_BGRA8packed:
      return 4;
    case PixelType_BGR8packed:
      return 3;
    default:
      Reject(std::string("Unsupported output format ") + PixelTypeName(output));
  }
}

}  // namespace

void CPixelFormatConverterBayer::Init(const SInputImageFormat& input) {
  ConversionCode(input.PixelFormat, 4);
  m_initialized = true;
}

void CPixelFormatConverterBayer::Convert(void* target, size_t targetSize, const void* source,
                                         size_t sourceSize, const SInputImageFormat& input,
                                         const SOutputImageFormat& output) {
  const uint32_t channels = OutputChannels(output.PixelFormat);
  const int code = ConversionCode(input.PixelFormat, channels);
  if (input.Width < 2 || input.Height < 2) Reject("A Bayer image needs at least 2 x 2 pixels");
  const uint32_t inputPitch = input.LinePitch ? input.LinePitch : input.Width;
  const uint32_t outputPitch = output.LinePitch ? output.LinePitch : input.Width * channels;
  if (!source || inputPitch < input.Width ||
      sourceSize < size_t(inputPitch) * (input.Height - 1) + input.Width)
    Reject("Bayer source buffer is too small for the described image");
  if (!target || outputPitch < input.Width * channels ||
      targetSize < size_t(outputPitch) * (input.Height - 1) + size_t(input.Width) * channels)
    Reject("Target buffer is too small for the converted image");
  const cv::Mat raw(int(input.Height), int(input.Width), CV_8UC1, const_cast<void*>(source), inputPitch);
  cv::Mat colour(int(input.Height), int(input.Width), CV_8UC(int(channels)), target, outputPitch);
  cv::cvtColor(raw, colour, code);
}

}  // namespace Pylon
