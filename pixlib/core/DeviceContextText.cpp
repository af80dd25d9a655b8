// Text output of the device context: FreeType glyphs placed along the
// font's escapement.

#include "pixlib/core/BitmapCanvas.h"
#include "pixlib/core/DeviceContext.h"
#include "pixlib/core/FontEngine.h"
#include "pixlib/core/TextDecoding.h"

#include <cmath>
#include <numbers>
#include <numeric>

namespace {

struct MeasuredText {
  FontMetrics metrics;
  std::vector<int> advances;
  int width = 0;
};

bool Measure(const CFont* font, std::u32string_view text, MeasuredText& out) {
  if (!font || !font->IsCreated()) return false;
  FontEngine& engine = FontEngine::Instance();
  if (!engine.Metrics(font->LogFont(), out.metrics) || !engine.Advances(font->LogFont(), text, out.advances))
    return false;
  out.width = std::accumulate(out.advances.begin(), out.advances.end(), 0);
  return true;
}

// A band along the baseline from `from` to `to` pixels below it, as the
// corners of a quadrilateral.
void Band(double bx, double by, double c, double s, double length, double from, double to, double xs[4],
          double ys[4]) {
  const double along[4] = {0, length, length, 0}, down[4] = {from, from, to, to};
  for (int i = 0; i < 4; ++i) {
    xs[i] = bx + along[i] * c + down[i] * s;
    ys[i] = by - along[i] * s + down[i] * c;
  }
}

}  // namespace

CSize CDC::GetTextExtent(std::string_view text) const { return GetTextExtent(DecodeText(text)); }

CSize CDC::GetTextExtent(std::u32string_view text) const {
  MeasuredText m;
  if (!Measure(m_state.font, text, m)) return CSize{};
  return CSize{m.width, m.metrics.ascent + m.metrics.descent};
}

int CDC::GetTextMetrics(TEXTMETRIC* metrics) const {
  MeasuredText m;
  if (!metrics || !Measure(m_state.font, U"", m)) return 0;
  *metrics = TEXTMETRIC{m.metrics.ascent + m.metrics.descent, m.metrics.ascent, m.metrics.descent};
  return 1;
}

int CDC::TextOut(int x, int y, std::string_view text) { return TextOut(x, y, DecodeText(text)); }

int CDC::TextOut(int x, int y, std::u32string_view text) {
  MeasuredText m;
  BitmapCanvas canvas(m_bitmap, ClipRect());
  if (!canvas.Usable() || !Measure(m_state.font, text, m)) return 0;
  const LOGFONT& font = m_state.font->LogFont();
  const double angle = font.lfEscapement * std::numbers::pi / 1800.0, c = std::cos(angle),
               s = std::sin(angle);
  // From the reference point to the start of the baseline.
  const unsigned horizontal = m_state.textAlign & TA_CENTER, vertical = m_state.textAlign & TA_BASELINE;
  const double along = horizontal == TA_CENTER ? -m.width / 2.0 : horizontal == TA_RIGHT ? -m.width : 0.0;
  const double down = vertical == TA_BASELINE ? 0.0
                      : vertical == TA_BOTTOM ? -m.metrics.descent
                                              : m.metrics.ascent;
  const double bx = x + along * c + down * s, by = y - along * s + down * c;
  double xs[4], ys[4];
  if (m_state.bkMode == OPAQUE) {
    Band(bx, by, c, s, m.width, -m.metrics.ascent, m.metrics.descent, xs, ys);
    canvas.FillQuad(xs, ys, m_state.bkColour);
  }
  const COLORREF ink = m_state.textColour;
  FontEngine::Instance().Render(font, text, m.advances, bx, by, angle,
                                [&](int px, int py, int coverage) { canvas.Blend(px, py, ink, coverage); });
  if (font.lfUnderline) {
    const double top = m.metrics.underlinePosition - m.metrics.underlineThickness / 2.0;
    Band(bx, by, c, s, m.width, top, top + m.metrics.underlineThickness, xs, ys);
    canvas.FillQuad(xs, ys, ink);
  }
  return 1;
}
