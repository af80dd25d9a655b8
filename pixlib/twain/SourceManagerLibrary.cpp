#include "pixlib/twain/SourceManagerLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#include "platform/DynamicLibrary.h"

namespace twainapp {

namespace {

bx::DynamicLibrary& Library() {
  static bx::DynamicLibrary library;
  return library;
}

DSMENTRYPROC g_entry = nullptr;

DSMENTRYPROC EntryOf(const bx::DynamicLibrary& library) {
  return library.Find<TW_UINT16(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF)>(
      "DSM_Entry");
}

}  // namespace

std::string SourceManagerPath() {
  if (const char* path = std::getenv("BX_TWAIN_DSM"); path != nullptr && *path != '\0') return path;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&SourceManagerPath), &info) == 0 || info.dli_fname == nullptr)
    return "libbxtwaindsm.so";
  return (std::filesystem::path(info.dli_fname).parent_path() / "libbxtwaindsm.so").string();
}

DSMENTRYPROC LoadSourceManagerLibrary() {
  if (g_entry != nullptr) return g_entry;
  const std::string path = SourceManagerPath();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error) || !Library().Open(path)) return nullptr;
  g_entry = EntryOf(Library());
  if (g_entry == nullptr) Library().Close();
  return g_entry;
}

void UnloadSourceManagerLibrary() {
  g_entry = nullptr;
  Library().Close();
}

DSMENTRYPROC SourceManagerEntry() { return g_entry; }

bool SourceManagerAvailable() {
  static const bool available = [] {
    if (g_entry != nullptr) return true;
    const std::string path = SourceManagerPath();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    bx::DynamicLibrary probe;
    return probe.Open(path) && EntryOf(probe) != nullptr;
  }();
  return available;
}

}  // namespace twainapp
