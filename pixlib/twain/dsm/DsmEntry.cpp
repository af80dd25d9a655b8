// The source manager library's one export. The sources folder is
// $BX_TWAIN_SOURCES, else "twain_sources" beside this library.

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "pixlib/twain/dsm/SourceManager.h"

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest,
                                                                      TW_UINT32 dg, TW_UINT16 dat,
                                                                      TW_UINT16 msg, TW_MEMREF data);

namespace {

std::string SourcesFolder() {
  if (const char* folder = std::getenv("BX_TWAIN_SOURCES"); folder != nullptr && *folder != '\0')
    return folder;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&DSM_Entry), &info) == 0 || info.dli_fname == nullptr)
    return "twain_sources";
  return (std::filesystem::path(info.dli_fname).parent_path() / "twain_sources").string();
}

twaindsm::SourceManager& Manager() {
  static twaindsm::SourceManager manager(&SourcesFolder);
  return manager;
}

}  // namespace

extern "C" TW_UINT16 DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                               TW_UINT16 msg, TW_MEMREF data) {
  return Manager().Entry(origin, dest, dg, dat, msg, data);
}
