#include "tools/bxcam/ExposureControl.h"

#include <stdexcept>

#include "aec/PropertyList.h"
#include "ipl/IplHeaderOver.h"

namespace bxcam {

GrabExposureControl::GrabExposureControl(const std::string& algorithmName, GenApi::INodeMap& nodes) {
  CPropertyList properties;
  m_ctrl.GetProperties(nullptr, &nodes, properties);
  const auto& algorithms = m_ctrl.Algorithms();
  for (size_t i = 0; i < algorithms.size(); ++i)
    if (algorithms[i]->GetName() == algorithmName) m_ctrl.m_settings.m_type = static_cast<int>(i);
  if (m_ctrl.m_settings.m_type < 0)
    throw std::invalid_argument("no exposure algorithm is named '" + algorithmName + "'");
  m_exposure = nodes.GetNode("ExposureTimeRaw");
  if (!m_exposure.IsValid()) throw std::invalid_argument("the camera has no ExposureTimeRaw");
}

IplImage GrabExposureControl::FrameImage(const Pylon::GrabResult& frame) {
  const int width = frame.GetSizeX(), height = frame.GetSizeY();
  const auto type = frame.GetPixelType();
  if (type == Pylon::PixelType_BGR8packed)
    return ipl::headerOver(frame.Buffer(), width, height, 3, width * 3 + frame.GetPaddingX(), IPL_ORIGIN_TL);
  if (type == Pylon::PixelType_Mono8)
    return ipl::headerOver(frame.Buffer(), width, height, 1, width + frame.GetPaddingX(), IPL_ORIGIN_TL);
  if (!Pylon::IsBayer8(type))
    throw std::invalid_argument("--aec needs 8-bit Bayer, Mono8 or BGR8Packed frames");
  Pylon::SInputImageFormat input;
  input.Width = static_cast<uint32_t>(width);
  input.Height = static_cast<uint32_t>(height);
  input.PixelFormat = type;
  input.LinePitch = static_cast<uint32_t>(width + frame.GetPaddingX());
  Pylon::SOutputImageFormat output;
  output.PixelFormat = Pylon::PixelType_BGR8packed;
  output.LinePitch = static_cast<uint32_t>(width * 3);
  m_bgr.resize(static_cast<size_t>(output.LinePitch) * height);
  m_converter.Init(input);
  m_converter.Convert(m_bgr.data(), m_bgr.size(), frame.Buffer(), static_cast<size_t>(frame.GetPayloadSize()),
                      input, output);
  return ipl::headerOver(m_bgr.data(), width, height, 3, static_cast<int>(output.LinePitch), IPL_ORIGIN_TL);
}

void GrabExposureControl::Process(const Pylon::GrabResult& frame, int index, std::ostream& out) {
  IplImage image = FrameImage(frame);
  const int64_t before = m_exposure->GetValue();
  m_ctrl.Run(&image);
  out << "frame " << index << ": exposure " << before << " -> " << m_exposure->GetValue() << '\n';
}

}  // namespace bxcam
