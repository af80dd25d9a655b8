#pragma once
// One data source library of the sources folder: its entry point and the
// identities (devices) it offers.

#include <string>
#include <vector>

#include "pixlib/twain/TwainTypes.h"
#include "platform/DynamicLibrary.h"

namespace twaindsm {

class SourceModule {
 public:
  // Loads the library and lists its identities; false when it is not a source.
  bool Load(const std::string& path);
  const std::vector<TW_IDENTITY>& Identities() const { return m_identities; }
  std::vector<TW_IDENTITY>& Identities() { return m_identities; }
  TW_UINT16 Call(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) const {
    return m_entry(origin, dg, dat, msg, data);
  }

 private:
  bx::DynamicLibrary m_library;
  DSENTRYPROC m_entry = nullptr;
  std::vector<TW_IDENTITY> m_identities;
};

}  // namespace twaindsm
