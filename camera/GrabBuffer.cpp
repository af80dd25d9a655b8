#include "camera/GrabBuffer.h"

#include <new>

#include "pylon/GenericException.h"

CGrabBuffer::CGrabBuffer(size_t size) : m_buffer(new (std::nothrow) uint8_t[size]), m_size(size) {
  if (!m_buffer)
    throw GenICam::GenericException("Not enough memory to allocate image buffer", "GrabBuffer", 16);
}
