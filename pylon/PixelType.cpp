#include "pylon/PixelType.h"

namespace Pylon {

bool IsBayer(EPixelType type) {
  switch (type) {
    case PixelType_BayerGR8:
    case PixelType_BayerRG8:
    case PixelType_BayerGB8:
    case PixelType_BayerBG8:
    case PixelType_BayerGR10:
    case PixelType_BayerRG10:
    case PixelType_BayerGB10:
    case PixelType_BayerBG10:
    case PixelType_BayerGR12:
    case PixelType_BayerRG12:
    case PixelType_BayerGB12:
    case PixelType_BayerBG12:
    case PixelType_BayerGR12Packed:
    case PixelType_BayerRG12Packed:
    case PixelType_BayerGB12Packed:
    case PixelType_BayerBG12Packed:
    case PixelType_BayerGR16:
    case PixelType_BayerRG16:
    case PixelType_BayerGB16:
    case PixelType_BayerBG16:
      return true;
    default:
      return false;
  }
}

const char* PixelTypeName(EPixelType type) {
  switch (type) {
    case PixelType_Mono8:
      return "Mono8";
    case PixelType_Mono8signed:
      return "Mono8Signed";
    case PixelType_Mono10:
      return "Mono10";
    case PixelType_Mono10packed:
      return "Mono10Packed";
    case PixelType_Mono12:
      return "Mono12";
    case PixelType_Mono12packed:
      return "Mono12Packed";
    case PixelType_Mono16:
      return "Mono16";
    case PixelType_BayerGR8:
      return "BayerGR8";
    case PixelType_BayerRG8:
      return "BayerRG8";
    case PixelType_BayerGB8:
      return "BayerGB8";
    case PixelType_BayerBG8:
      return "BayerBG8";
    case PixelType_BayerGR10:
      return "BayerGR10";
    case PixelType_BayerRG10:
      return "BayerRG10";
    case PixelType_BayerGB10:
      return "BayerGB10";
    case PixelType_BayerBG10:
      return "BayerBG10";
    case PixelType_BayerGR12:
      return "BayerGR12";
    case PixelType_BayerRG12:
      return "BayerRG12";
    case PixelType_BayerGB12:
      return "BayerGB12";
    case PixelType_BayerBG12:
      return "BayerBG12";
    case PixelType_RGB8packed:
      return "RGB8Packed";
    case PixelType_BGR8packed:
      return "BGR8Packed";
    case PixelType_RGBA8packed:
      return "RGBA8Packed";
    case PixelType_BGRA8packed:
      return "BGRA8Packed";
    case PixelType_YUV411packed:
      return "YUV411Packed";
    case PixelType_YUV422packed:
      return "YUV422Packed";
    case PixelType_YUV444packed:
      return "YUV444Packed";
    case PixelType_BayerGR12Packed:
      return "BayerGR12Packed";
    case PixelType_BayerRG12Packed:
      return "BayerRG12Packed";
    case PixelType_BayerGB12Packed:
      return "BayerGB12Packed";
    case PixelType_BayerBG12Packed:
      return "BayerBG12Packed";
    case PixelType_BayerGR16:
      return "BayerGR16";
    case PixelType_BayerRG16:
      return "BayerRG16";
    case PixelType_BayerGB16:
      return "BayerGB16";
    case PixelType_BayerBG16:
      return "BayerBG16";
    case PixelType_YUV422_YUYV_Packed:
      return "YUV422_YUYV_Packed";
    default:
      return "";
  }
}

}  // namespace Pylon
