// Text blocks drawn into the image through its device context: fonts sized
// in image heights, lines placed about a centre, an optional caret.

#include "pixlib/core/CxImage.h"

#include "pixlib/core/TextDecoding.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace {

constexpr double kTenthDegreesPerRadian = 573.2484076433121;  // 3600 / 6.28

struct TextBlock {
  std::vector<std::u32string> lines;
  std::vector<size_t> starts;  // index of each line's first character in the text
  std::vector<int> widths;
  int maxWidth = 0, totalHeight = 0, lineHeight = 0;
  float angle = 0.0f;
};

// Lines end at CR, LF or CRLF (which counts once).
void SplitLines(const std::u32string& text, TextBlock& block) {
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != U'\r' && text[i] != U'\n') continue;
    block.lines.push_back(text.substr(start, i - start));
    block.starts.push_back(start);
    if (i + 1 < text.size() && text[i] == U'\r' && text[i + 1] == U'\n') ++i;
    start = i + 1;
  }
}

TextBlock MeasureBlock(CDC* dc, const std::string& text, const CFont& font) {
  TextBlock block;
  dc->SetTextAlign(TA_LEFT | TA_TOP);
  dc->SelectFont(&font);
  const LOGFONT& logFont = font.LogFont();
  block.angle = static_cast<float>(logFont.lfEscapement * 6.28 / 3600.0);
  block.lineHeight = std::abs(logFont.lfHeight);
  SplitLines(DecodeText(text), block);
  for (const std::u32string& line : block.lines) {
    block.widths.push_back(dc->GetTextExtent(line).cx);
    block.maxWidth = std::max(block.maxWidth, block.widths.back());
  }
  block.totalHeight = block.lineHeight * static_cast<int>(block.lines.size());
  return block;
}

// The line holding the caret: a line's characters up to its break, or for
// the last line up to the end of the text; -1 for none.
int CaretLine(const TextBlock& block, size_t textLength, int caret) {
  if (caret < 0 || static_cast<size_t>(caret) > textLength) return -1;
  for (size_t n = 0; n < block.lines.size(); ++n) {
    const size_t start = block.starts[n], end = start + block.lines[n].size();
    const bool last = n + 1 == block.lines.size();
    if (static_cast<size_t>(caret) >= start && (last || static_cast<size_t>(caret) < end))
      return static_cast<int>(n);
  }
  return -1;
}

}  // namespace

int CxImage::CreateFont(const char* faceName, float size, float angle, int style, CFont& font) const {
  font.DeleteObject();
  LOGFONT logFont{};
  // Capped before the conversion so that huge sizes cannot overflow it.
  constexpr double kMaxTenths = CFont::kMaxPixels * 720.0 / kScreenDpi + 1;
  const double height =
      std::isfinite(size) ? std::clamp(Height() * static_cast<double>(size), -kMaxTenths, kMaxTenths) : 0;
  logFont.lfHeight = static_cast<int32_t>(height);
  // Reduced first: an angle read from a database may be any size.
  const double turn =
      std::isfinite(angle) ? std::fmod(static_cast<double>(angle), 2 * std::numbers::pi) : 0.0;
  logFont.lfEscapement = static_cast<int32_t>(turn * kTenthDegreesPerRadian);
  if (style >= 0 && style <= 7) {
    logFont.lfWeight = style & 1 ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = style & 2 ? 1 : 0;
    logFont.lfUnderline = style & 4 ? 1 : 0;
  }
  logFont.lfCharSet = DEFAULT_CHARSET;
  if (faceName) std::strncpy(logFont.lfFaceName, faceName, LF_FACESIZE - 1);
  return font.CreatePointFontIndirect(&logFont);
}

void CxImage::CalcTextParams(CDC* dc, const std::string& text, CFont& font, int& maxWidth, int& totalHeight,
                             int* lineWidths, int& lineHeight, float& angle) {
  const TextBlock block = MeasureBlock(dc, text, font);
  maxWidth = block.maxWidth;
  totalHeight = block.totalHeight;
  lineHeight = block.lineHeight;
  angle = block.angle;
  if (lineWidths) std::copy(block.widths.begin(), block.widths.end(), lineWidths);
}

int CxImage::DrawText(const std::string& text, float x, float y, CFont& font, int align, int caret) {
  CDC* dc = GetDC();
  if (!dc) return 0;
  const int saved = dc->SaveDC();
  // Nothing at all is drawn with a font that cannot be drawn (below one pixel).
  TEXTMETRIC usable;
  dc->SelectFont(&font);
  if (!dc->SelectedBitmap() || !dc->GetTextMetrics(&usable)) {
    dc->RestoreDC(saved);
    ReleaseDC();
    return 0;
  }
  const CPen caretPen(PS_SOLID, 8, RGB(255, 255, 255));
  const TextBlock block = MeasureBlock(dc, text, font);
  const float s = std::sin(block.angle), c = std::cos(block.angle);
  const double px = c * block.maxWidth / 2.0 + s * block.totalHeight / 2.0;
  const double py = -s * block.maxWidth / 2.0 + c * block.totalHeight / 2.0;
  const double gx = Width() / 2 + static_cast<double>(Height()) * x - px;
  const double gy = Height() / 2 + static_cast<double>(Height()) * -y - py;
  const double lh = block.lineHeight;
  // A point `along` pixels along line n's baseline direction, `down` lines below its top.
  const auto at = [&](double n, double along, int& outX, int& outY) {
    outX = static_cast<int>(gx + n * lh * s + along * c);
    outY = static_cast<int>(gy + n * lh * c - s * along);
  };
  const int caretLine = CaretLine(block, DecodeText(text).size(), caret);
  for (size_t n = 0; n < block.lines.size(); ++n) {
    const int spare = block.maxWidth - block.widths[n];
    const int offset = align == 1 ? spare / 2 : align == 2 ? spare : 0;
    int lx, ly;
    at(static_cast<double>(n), offset, lx, ly);
    dc->TextOut(lx, ly, block.lines[n]);
    if (static_cast<int>(n) != caretLine) continue;
    const size_t before = std::min(block.lines[n].size(), static_cast<size_t>(caret) - block.starts[n]);
    const int e = offset + dc->GetTextExtent(std::u32string_view(block.lines[n]).substr(0, before)).cx;
    int x0, y0, x1, y1;
    at(static_cast<double>(n) + 1, e, x0, y0);
    at(static_cast<double>(n), e, x1, y1);
    const CPen* pen = dc->SelectPen(&caretPen);
    const int rop = dc->SetROP2(R2_XORPEN);
    dc->MoveTo(x0, y0);
    dc->LineTo(x1, y1);
    dc->SetROP2(rop);
    dc->SelectPen(pen);
  }
  dc->RestoreDC(saved);
  ReleaseDC();
  return 1;
}

int CxImage::GetTextBoundsRect(const std::string& text, CFont& font, CFRect& out) {
  out = CFRect();
  CDC* dc = GetDC();
  if (!dc) return 0;
  const int saved = dc->SaveDC();
  int maxWidth = 0, totalHeight = 0, lineHeight = 0;
  float angle = 0.0f;
  CalcTextParams(dc, text, font, maxWidth, totalHeight, nullptr, lineHeight, angle);
  dc->RestoreDC(saved);
  ReleaseDC();
  const double c = std::cos(angle), s = std::sin(angle), w = maxWidth, h = totalHeight;
  double left = 1e38, right = -1e38, top = -1e38, bottom = 1e38;
  for (const auto& [x, y] : {std::pair{0.0, 0.0}, {0.0, h}, {w, h}, {w, 0.0}}) {
    const double u = x * c + y * s, v = -x * s + y * c;
    left = std::min(left, u), right = std::max(right, u), top = std::max(top, v),
    bottom = std::min(bottom, v);
  }
  out = CFRect(static_cast<float>(left), static_cast<float>(top), static_cast<float>(right),
               static_cast<float>(bottom));
  return 1;
}
