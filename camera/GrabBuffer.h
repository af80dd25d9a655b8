#pragma once
// One block of payload-size bytes registered with a stream grabber.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "pylon/GrabResult.h"

class CGrabBuffer {
 public:
  // Raises the SDK's generic exception when the memory cannot be had.
  explicit CGrabBuffer(size_t size);

  uint8_t* GetBufferPointer() const { return m_buffer.get(); }
  size_t GetSize() const { return m_size; }
  Pylon::StreamBufferHandle GetBufferHandle() const { return m_handle; }
  void SetBufferHandle(Pylon::StreamBufferHandle handle) { m_handle = handle; }

 private:
  std::unique_ptr<uint8_t[]> m_buffer;
  size_t m_size;
  Pylon::StreamBufferHandle m_handle = nullptr;
};
