#pragma once
// Handles passed between application, source manager and sources: one
// malloc'ed block holding its size and then its bytes, freed by whoever
// receives it. The size lets the receiver check what the sender claims.

#include <cstddef>
#include <cstdlib>
#include <new>

#include "pixlib/twain/TwainTypes.h"

struct TW_MEMBLOCK {
  std::size_t size;
  unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

// A zeroed block of `size` bytes, or null when memory is short.
inline TW_HANDLE TwainAllocHandle(std::size_t size) {
  void* raw = std::calloc(1, sizeof(TW_MEMBLOCK) + size);
  if (raw == nullptr) return nullptr;
  TW_HANDLE handle = new (raw) TW_MEMBLOCK;
  handle->size = size;
  return handle;
}

inline void TwainFreeHandle(TW_HANDLE handle) { std::free(handle); }

// The container of a capability, viewed as a one-value record when it is
// at least that large; null otherwise.
inline TW_ONEVALUE* OneValueOf(TW_HANDLE handle) {
  if (handle == nullptr || handle->size < sizeof(TW_ONEVALUE)) return nullptr;
  return reinterpret_cast<TW_ONEVALUE*>(handle->Bytes());
}

// A new one-value container holding `item` of type `type`.
inline TW_HANDLE MakeOneValue(TW_UINT16 type, TW_UINT32 item) {
  TW_HANDLE handle = TwainAllocHandle(sizeof(TW_ONEVALUE));
  if (TW_ONEVALUE* one = OneValueOf(handle)) *one = TW_ONEVALUE{type, item};
  return handle;
}
