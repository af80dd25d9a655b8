#pragma once
// Bitmaps whose bits are an image's pixels, and the anonymous shared-memory
// sections that can back them. HBITMAP and HANDLE are their handles.

#include "ipl/IplTypes.h"
#include "pixlib/core/Export.h"

#include <cstddef>
#include <cstdint>

// A shared anonymous memory mapping, the backing store of last resort.
class PIXLIB_API CMemorySection {
 public:
  static CMemorySection* Create(size_t bytes);
  ~CMemorySection();
  CMemorySection(const CMemorySection&) = delete;
  CMemorySection& operator=(const CMemorySection&) = delete;

  void* Data() const { return m_data; }
  size_t Bytes() const { return m_bytes; }

 private:
  CMemorySection(void* data, size_t bytes) : m_data(data), m_bytes(bytes) {}
  void* m_data;
  size_t m_bytes;
};

// What a bitmap's own bits hold when it is made: zeros, or whatever the
// allocator hands out (for a caller that writes every byte at once).
enum class NewBits { Zeroed, Undefined };

// A device-independent bitmap: header plus bits, the bits either its own or
// those of a memory section.
class PIXLIB_API CDibSection {
 public:
  // Returns null when the header is unusable or memory cannot be had.
  static CDibSection* Create(const BITMAPINFO* info, CMemorySection* section = nullptr,
                             NewBits newBits = NewBits::Zeroed);
  ~CDibSection();
  CDibSection(const CDibSection&) = delete;
  CDibSection& operator=(const CDibSection&) = delete;

  const BITMAPINFOHEADER& Header() const { return m_header; }
  uint8_t* Bits() const { return m_bits; }
  int Stride() const { return m_stride; }
  int Width() const { return m_header.biWidth; }
  int Height() const { return m_header.biHeight < 0 ? -m_header.biHeight : m_header.biHeight; }
  bool TopDown() const { return m_header.biHeight < 0; }

 private:
  CDibSection(const BITMAPINFOHEADER& header, uint8_t* bits, int stride, bool ownsBits)
      : m_header(header), m_bits(bits), m_stride(stride), m_ownsBits(ownsBits) {}
  BITMAPINFOHEADER m_header;
  uint8_t* m_bits;
  int m_stride;
  bool m_ownsBits;
};

typedef CDibSection* HBITMAP;
typedef CMemorySection* HANDLE;
