#include "pixlib/twain/dsm/SourceModule.h"

namespace twaindsm {

namespace {
// A module listing more identities than this is taken to be looping.
constexpr int kMaxIdentitiesPerModule = 64;
}  // namespace

bool SourceModule::Load(const std::string& path) {
  if (!m_library.Open(path)) return false;
  m_entry = m_library.Find<TW_UINT16(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF)>("DS_Entry");
  if (m_entry == nullptr) return false;
  TW_IDENTITY identity{};
  TW_UINT16 msg = MSG_GETFIRST;
  while (m_identities.size() < kMaxIdentitiesPerModule &&
         m_entry(nullptr, DG_CONTROL, DAT_IDENTITY, msg, &identity) == TWRC_SUCCESS) {
    identity.ProductName[sizeof identity.ProductName - 1] = '\0';
    m_identities.push_back(identity);
    msg = MSG_GETNEXT;
  }
  return !m_identities.empty();
}

}  // namespace twaindsm
