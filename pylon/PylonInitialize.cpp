#include "pylon/PylonInitialize.h"

#include <mutex>

#include "pylon/RemovalDispatcher.h"
#include "pylon/TlFactory.h"

namespace Pylon {
namespace {

std::mutex g_mutex;
int g_initCount = 0;

}  // namespace

void PylonInitialize() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_initCount++ == 0) CTlFactory::GetInstance();
}

void PylonTerminate() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_initCount == 0 || --g_initCount > 0) return;
  CTlFactory::GetInstance().DestroyAllDevices();
  CRemovalDispatcher::Instance().Shutdown();
}

}  // namespace Pylon
