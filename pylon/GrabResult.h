#pragma once
// The outcome of one queued buffer, as retrieved from a stream grabber.
#include <cstdint>
#include <string>

#include "pylon/PixelType.h"

namespace Pylon {

enum EGrabStatus { _UndefinedGrabStatus = -1, Idle = 0, Queued = 1, Grabbed = 2, Canceled = 3, Failed = 4 };
enum EPayloadType { PayloadType_Undefined = -1, PayloadType_Image = 0, PayloadType_RawData = 1 };

using StreamBufferHandle = void*;

class GrabResult {
 public:
  EGrabStatus Status() const { return m_status; }
  bool Succeeded() const { return m_status == Grabbed; }
  void* Buffer() const { return m_buffer; }
  StreamBufferHandle Handle() const { return m_handle; }
  const void* Context() const { return m_context; }
  EPayloadType GetPayloadType() const { return m_payloadType; }
  EPixelType GetPixelType() const { return m_pixelType; }
  int32_t GetSizeX() const { return m_sizeX; }
  int32_t GetSizeY() const { return m_sizeY; }
  int32_t GetOffsetX() const { return m_offsetX; }
  int32_t GetOffsetY() const { return m_offsetY; }
  int32_t GetPaddingX() const { return m_paddingX; }  // bytes after each row
  int32_t GetPaddingY() const { return m_paddingY; }
  int64_t GetPayloadSize() const { return m_payloadSize; }
  uint32_t GetErrorCode() const { return m_errorCode; }
  std::string GetErrorDescription() const { return m_errorDescription; }
  uint64_t GetTimeStamp() const { return m_timeStamp; }
  uint64_t GetBlockID() const { return m_blockId; }

  // Filled by the stream grabber.
  EGrabStatus m_status = _UndefinedGrabStatus;
  void* m_buffer = nullptr;
  StreamBufferHandle m_handle = nullptr;
  const void* m_context = nullptr;
  EPayloadType m_payloadType = PayloadType_Image;
  EPixelType m_pixelType = PixelType_Undefined;
  int32_t m_sizeX = 0, m_sizeY = 0, m_offsetX = 0, m_offsetY = 0;
  int32_t m_paddingX = 0, m_paddingY = 0;
  int64_t m_payloadSize = 0;
  uint32_t m_errorCode = 0;
  std::string m_errorDescription;
  uint64_t m_timeStamp = 0;
  uint64_t m_blockId = 0;
};

}  // namespace Pylon
