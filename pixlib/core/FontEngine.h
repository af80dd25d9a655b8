#pragma once
// Faces found through fontconfig and drawn with FreeType (private to the
// library). One engine serves the process; every call takes its lock, so
// text may be measured and drawn from several threads.

#include "pixlib/core/GdiTypes.h"

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

struct FontMetrics {
  int ascent = 0;             // pixels above the baseline
  int descent = 0;            // pixels below it
  int underlinePosition = 0;  // centre of the underline, pixels below the baseline
  int underlineThickness = 1;
};

// One sample of ink: a device pixel and its coverage 1..255.
using InkPlot = std::function<void(int x, int y, int coverage)>;

class FontEngine {
 public:
  static FontEngine& Instance();
  ~FontEngine();

  // False when the font is smaller than one pixel or no face can be had.
  bool Metrics(const LOGFONT& font, FontMetrics& out);
  // Each character's advance in whole pixels: the widths text output uses.
  bool Advances(const LOGFONT& font, std::u32string_view text, std::vector<int>& out);
  // Draws text whose baseline starts at (x, y), device coordinates with y
  // downwards, turned `angle` radians counter-clockwise; `advances` are the
  // characters' advances from Advances.
  void Render(const LOGFONT& font, std::u32string_view text, const std::vector<int>& advances, double x,
              double y, double angle, const InkPlot& plot);

 private:
  FontEngine();
  struct State;
  std::unique_ptr<State> m_state;
};
