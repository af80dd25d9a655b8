#pragma once

#include "pixlib/core/DisplayDevice.h"

class QPainter;

// The imaging library's display device over a Qt painter: a true-colour
// raster display.
class QtDisplayDevice : public IDisplayDevice {
 public:
  explicit QtDisplayDevice(QPainter& painter) : m_painter(painter) {}

  int Technology() const override { return DT_RASDISPLAY; }
  int RasterCaps() const override { return 0; }
  int Draw(const DibDrawing& drawing) override;

 private:
  QPainter& m_painter;
};
