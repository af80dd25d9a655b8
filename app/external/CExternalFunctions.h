#pragma once
// The external functions library: found from its configured name, loaded once
// and kept for the life of the program, its entry points looked up by name. A
// missing library or entry point is not an error: the call is skipped.
#include <functional>
#include <string>

#include "app/external/ExternalFunctionsApi.h"

namespace bx {
class DynamicLibrary;
}

class CExternalFunctions {
 public:
  using Logger = std::function<void(const std::string&)>;

  // The file to load: a name without "/" lies in the program's folder (never
  // searched on the system's library paths); any other path is used as it stands.
  static std::string ResolvePath(const std::string& configured, const std::string& programFolder);

  // Loads the library (once per path for the whole process); false when it is absent.
  bool Load(const std::string& path, const Logger& log);
  bool IsLoaded() const { return m_library != nullptr; }

  // Calls "Init" when the library has it, once for the life of the program
  // (a camera reconnect loads the library again and finds it initialised); the
  // log's strings are kept as long, as the library may hold on to them.
  void CallInit(void* window, const std::string& logName, bool logEnabled, const std::string& logPath,
                bool timestamps) const;
  // The "PreTrigger" entry wrapped for the trigger engine, or empty without one.
  std::function<int()> PreTrigger(const Logger& log) const;
  // The "PreSave" entry wrapped for the save sequence, or empty without one.
  std::function<void(BxPhotoData&)> PreSave(const Logger& log) const;

 private:
  const bx::DynamicLibrary* m_library = nullptr;  // never closed
};
