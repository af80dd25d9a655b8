#include "pixlib/core/Font.h"

#include <algorithm>
#include <cstdlib>

int CFont::CreateFontIndirect(const LOGFONT* logFont) {
  if (!logFont) return 0;
  m_logFont = *logFont;
  m_logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
  m_logFont.lfHeight = std::clamp(m_logFont.lfHeight, -kMaxPixels, kMaxPixels);
  m_created = true;
  return 1;
}

// Rounded like a multiply-then-divide of the drawing interface; the result is
// a character height (negative lfHeight).
int CFont::CreatePointFontIndirect(const LOGFONT* logFont) {
  if (!logFont) return 0;
  LOGFONT pixels = *logFont;
  const long long tenths = std::llabs(static_cast<long long>(logFont->lfHeight));
  pixels.lfHeight = -static_cast<int32_t>(std::min<long long>((tenths * kScreenDpi + 360) / 720, kMaxPixels));
  return CreateFontIndirect(&pixels);
}

int CFont::GetLogFont(LOGFONT* out) const {
  if (!m_created || !out) return 0;
  *out = m_logFont;
  return 1;
}
