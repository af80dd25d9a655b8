#pragma once
// A logical font: the description text is drawn with. The face behind it is
// found by name through the system's font configuration when text is drawn.

#include "pixlib/core/Export.h"
#include "pixlib/core/GdiTypes.h"

class PIXLIB_API CFont {
 public:
  // Largest character height in pixels; larger requests are capped.
  static constexpr int kMaxPixels = 8192;

  // lfHeight is taken as tenths of a point and converted to pixels at the
  // layout resolution (kScreenDpi).
  int CreatePointFontIndirect(const LOGFONT* logFont);
  // lfHeight is taken in pixels.
  int CreateFontIndirect(const LOGFONT* logFont);
  void DeleteObject() { m_created = false; }
  bool IsCreated() const { return m_created; }
  int GetLogFont(LOGFONT* out) const;
  const LOGFONT& LogFont() const { return m_logFont; }

 private:
  LOGFONT m_logFont{};
  bool m_created = false;
};
