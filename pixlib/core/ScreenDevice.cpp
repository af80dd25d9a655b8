#include "pixlib/core/ScreenDevice.h"

#include <atomic>

namespace {
std::atomic<IScreenDevice*> g_screen{nullptr};
}

IScreenDevice* SetScreenDevice(IScreenDevice* screen) { return g_screen.exchange(screen); }

int ScreenRasterCaps() {
  const IScreenDevice* screen = g_screen.load();
  return screen ? screen->RasterCaps() : 0;
}
