#pragma once
// The screen as the library sees it. A user interface installs its own
// description; with none installed the library assumes a true-colour screen.

#include "pixlib/core/Export.h"

enum : int { RC_PALETTE = 0x100 };

class PIXLIB_API IScreenDevice {
 public:
  virtual ~IScreenDevice() = default;
  // Raster capability bits (RC_PALETTE, ...).
  virtual int RasterCaps() const = 0;
};

// Installs the screen description (null removes it); returns the previous one.
PIXLIB_API IScreenDevice* SetScreenDevice(IScreenDevice* screen);
PIXLIB_API int ScreenRasterCaps();
