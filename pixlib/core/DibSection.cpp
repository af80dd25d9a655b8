#include "pixlib/core/DibSection.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

CMemorySection* CMemorySection::Create(size_t bytes) {
  if (bytes == 0) return nullptr;
  void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (data == MAP_FAILED) return nullptr;
  auto* section = new (std::nothrow) CMemorySection(data, bytes);
  if (!section) munmap(data, bytes);
  return section;
}

CMemorySection::~CMemorySection() { munmap(m_data, m_bytes); }

CDibSection* CDibSection::Create(const BITMAPINFO* info, CMemorySection* section, NewBits newBits) {
  if (!info) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biWidth < 1 || h.biHeight == 0 || h.biHeight == INT32_MIN || h.biBitCount == 0) return nullptr;
  const long long stride = (static_cast<long long>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
  const long long rows = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  const long long bytes = stride * rows;
  if (stride > INT32_MAX || bytes > INT32_MAX) return nullptr;
  uint8_t* bits = nullptr;
  if (section) {
    if (section->Bytes() < static_cast<size_t>(bytes)) return nullptr;
    bits = static_cast<uint8_t*>(section->Data());
  } else {
    const size_t size = static_cast<size_t>(bytes);
    bits = static_cast<uint8_t*>(newBits == NewBits::Zeroed ? std::calloc(size, 1) : std::malloc(size));
    if (!bits) return nullptr;
  }
  auto* dib = new (std::nothrow) CDibSection(h, bits, static_cast<int>(stride), section == nullptr);
  if (!dib && !section) std::free(bits);
  return dib;
}

CDibSection::~CDibSection() {
  if (m_ownsBits) std::free(m_bits);
}
