#pragma once
// A device that images are shown on: a window or a printer. The user
// interface implements it over its painter; a device context made over it
// (CDC(IDisplayDevice*)) receives CxImage::SetBits and StretchBits.

#include "ipl/IplTypes.h"
#include "pixlib/core/Export.h"
#include "pixlib/core/GdiTypes.h"

// One bitmap drawn to the device: the source rectangle of the DIB scaled
// onto the destination rectangle. Source coordinates count stored rows
// (ySrc = 0 is the first row in memory: the bottom row of a bottom-up DIB,
// whose rectangle therefore shows row ySrc + hSrc - 1 at the top); the
// rectangle always lies inside the DIB. Destination coordinates are the
// device's, y downwards; both sizes are positive.
struct DibDrawing {
  const BITMAPINFO* info = nullptr;
  const void* bits = nullptr;
  int xDst = 0, yDst = 0, wDst = 0, hDst = 0;
  int xSrc = 0, ySrc = 0, wSrc = 0, hSrc = 0;
  unsigned long rop = SRCCOPY;
  bool halftone = false;  // a palette display should dither
};

class PIXLIB_API IDisplayDevice {
 public:
  virtual ~IDisplayDevice() = default;
  virtual int Technology() const = 0;  // DT_RASDISPLAY or DT_RASPRINTER
  virtual int RasterCaps() const = 0;  // RC_PALETTE, ...
  // Returns non-zero when drawn.
  virtual int Draw(const DibDrawing& drawing) = 0;
};
