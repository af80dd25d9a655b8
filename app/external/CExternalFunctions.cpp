#include "app/external/CExternalFunctions.h"

#include "platform/DynamicLibrary.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace {

// A library loaded by this process, initialised at most once: "Init" receives
// the log's name and path, which the library may keep, so they live as long.
struct LoadedLibrary {
  std::unique_ptr<bx::DynamicLibrary> library;
  bool initialised = false;
  std::string logName;
  std::string logPath;
};

// Every library loaded by this process, by path; none is ever closed, so no
// function pointer handed out can outlive its code.
struct LoadedLibraries {
  std::mutex mutex;
  std::map<std::string, LoadedLibrary> byPath;
  std::set<std::string> reportedMissing;
};

LoadedLibraries& Libraries() {
  static auto* libraries = new LoadedLibraries;  // never destroyed: the libraries stay loaded
  return *libraries;
}

}  // namespace

std::string CExternalFunctions::ResolvePath(const std::string& configured, const std::string& programFolder) {
  if (configured.empty() || configured.find('/') != std::string::npos) return configured;
  std::string folder = programFolder.empty() ? "." : programFolder;
  if (folder.back() != '/') folder += '/';
  return folder + configured;
}

bool CExternalFunctions::Load(const std::string& path, const Logger& log) {
  m_library = nullptr;
  if (path.empty()) return false;
  LoadedLibraries& libraries = Libraries();
  std::lock_guard lock(libraries.mutex);
  auto& library = libraries.byPath[path].library;
  if (!library) {
    auto opened = std::make_unique<bx::DynamicLibrary>();
    if (!opened->Open(path)) {
      // Tried again at every start (the library may be installed meanwhile), told once.
      if (libraries.reportedMissing.insert(path).second)
        log("External functions not loaded: " + opened->Error());
      libraries.byPath.erase(path);
      return false;
    }
    library = std::move(opened);
  }
  m_library = library.get();
  return true;
}

void CExternalFunctions::CallInit(void* window, const std::string& logName, bool logEnabled,
                                  const std::string& logPath, bool timestamps) const {
  auto* init = m_library ? m_library->Find<BxInitFunction>("Init") : nullptr;
  if (!init) return;
  BxLogInfo log{};
  {
    LoadedLibraries& libraries = Libraries();
    std::lock_guard lock(libraries.mutex);
    auto loaded = std::find_if(libraries.byPath.begin(), libraries.byPath.end(),
                               [this](const auto& entry) { return entry.second.library.get() == m_library; });
    if (loaded == libraries.byPath.end() || loaded->second.initialised) return;
    LoadedLibrary& library = loaded->second;
    library.initialised = true;
    library.logName = logName;
    library.logPath = logPath;
    log.name = library.logName.c_str();
    log.path = library.logPath.c_str();
  }
  log.enabled = logEnabled ? 1 : 0;
  log.timestamps = timestamps ? 1 : 0;
  init(window, &log);
}

std::function<int()> CExternalFunctions::PreTrigger(const Logger& log) const {
  if (!m_library) return {};
  auto* preTrigger = m_library->Find<BxPreTriggerFunction>("PreTrigger");
  if (!preTrigger) return {};
  return [preTrigger, log]() -> int {
    try {
      return preTrigger();
    } catch (...) {
      // A library that throws after all is treated as having no opinion.
      log("PreTrigger failed");
      return 1;
    }
  };
}

std::function<void(BxPhotoData&)> CExternalFunctions::PreSave(const Logger& log) const {
  auto* preSave = m_library ? m_library->Find<BxPreSaveFunction>("PreSave") : nullptr;
  if (!preSave) return {};
  return [preSave, log](BxPhotoData& photo) {
    try {
      preSave(&photo);
    } catch (...) {
      log("PreSave failed");
    }
  };
}
