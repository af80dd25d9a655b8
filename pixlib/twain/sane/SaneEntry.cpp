// The SANE data source library: one source identity per local SANE device.
// One of its devices is open at a time.

#include <dlfcn.h>
#include <sane/sane.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "pixlib/twain/sane/SaneSource.h"
#include "pixlib/twain/source/ModuleEntry.h"

namespace {

// SANE is set up once per process and this library stays loaded from then
// on: SANE's backends keep state (and reader threads) that do not survive
// being unloaded and loaded again.
bool SaneReady() {
  static const bool ready = [] {
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&SaneReady), &self) != 0 && self.dli_fname != nullptr)
      dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return sane_init(nullptr, nullptr) == SANE_STATUS_GOOD;
  }();
  return ready;
}

std::unique_ptr<twainsource::DataSource> g_source;

std::unique_ptr<twainsource::DataSource> MakeSource() { return std::make_unique<twainsane::SaneSource>(); }
std::size_t g_listed = 0;

void Copy(char* to, const char* from) {
  std::strncpy(to, from ? from : "", sizeof(TW_STR32) - 1);
  to[sizeof(TW_STR32) - 1] = '\0';
}

TW_UINT16 ListDevice(TW_UINT16 msg, TW_IDENTITY* identity) {
  const SANE_Device** devices = nullptr;
  if (!SaneReady() || sane_get_devices(&devices, SANE_TRUE) != SANE_STATUS_GOOD) return TWRC_FAILURE;
  if (msg == MSG_GETFIRST) g_listed = 0;
  for (std::size_t i = 0; i < g_listed; ++i)
    if (devices[i] == nullptr) return TWRC_ENDOFLIST;
  const SANE_Device* device = devices[g_listed];
  if (device == nullptr) return TWRC_ENDOFLIST;
  ++g_listed;
  *identity = TW_IDENTITY{};
  identity->Version = TW_VERSION{1, 0, TWLG_USA, TWCY_USA, "SANE"};
  identity->ProtocolMajor = TWON_PROTOCOLMAJOR;
  identity->ProtocolMinor = TWON_PROTOCOLMINOR;
  identity->SupportedGroups = DG_CONTROL | DG_IMAGE;
  Copy(identity->Manufacturer, device->vendor);
  Copy(identity->ProductFamily, device->model);
  Copy(identity->ProductName, device->name);
  return TWRC_SUCCESS;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg,
                                                                     TW_UINT16 dat, TW_UINT16 msg,
                                                                     TW_MEMREF data) {
  if (dat == DAT_IDENTITY && (msg == MSG_GETFIRST || msg == MSG_GETNEXT) && origin == nullptr)
    return data ? ListDevice(msg, static_cast<TW_IDENTITY*>(data)) : TWRC_FAILURE;
  if (!SaneReady()) return TWRC_FAILURE;
  try {
    return twainsource::RouteToSource(g_source, &MakeSource, origin, dg, dat, msg, data);
  } catch (const std::bad_alloc&) {
    // A device may state a picture larger than memory holds.
    return g_source ? g_source->Fail(TWCC_LOWMEMORY) : TWRC_FAILURE;
  }
}
