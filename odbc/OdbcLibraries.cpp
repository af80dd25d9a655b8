#include "odbc/OdbcLibraries.h"

#include <dlfcn.h>

#include <mutex>

namespace bx::odbc {

void KeepConfigurationLibraryLoaded() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Never closed; when it is missing the drivers fail on their own with a clear message.
    dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_GLOBAL);
  });
}

}  // namespace bx::odbc
