#pragma once
// bxcam grab --aec NAME: runs the named exposure algorithm on every grabbed
// frame, as the camera does on delivery, and reports the exposure written.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "aec/AutoExposureCtrl.h"
#include "pylon/BayerConverter.h"
#include "pylon/GrabResult.h"

namespace bxcam {

class GrabExposureControl {
 public:
  // Raises std::invalid_argument when no algorithm carries this name.
  GrabExposureControl(const std::string& algorithmName, GenApi::INodeMap& nodes);

  // Meters one frame, writes the new exposure and prints "frame N: exposure A -> B".
  // Raises std::invalid_argument for frames that are not 8-bit Bayer, Mono8 or BGR8Packed.
  void Process(const Pylon::GrabResult& frame, int index, std::ostream& out);

 private:
  IplImage FrameImage(const Pylon::GrabResult& frame);

  AEC::CAutoExposureCtrl m_ctrl;
  GenApi::CIntegerPtr m_exposure;
  Pylon::CPixelFormatConverterBayer m_converter;
  std::vector<uint8_t> m_bgr;
};

}  // namespace bxcam
