#pragma once
// A device context: a memory context that draws into the pixels of the
// bitmap selected into it, or a context over a display device. Device
// coordinates have (0, 0) at the top-left pixel, y growing downwards,
// whatever the bitmap's row order.

#include "pixlib/core/DibSection.h"
#include "pixlib/core/DisplayDevice.h"
#include "pixlib/core/Export.h"
#include "pixlib/core/Font.h"
#include "pixlib/core/GdiTypes.h"
#include "pixlib/core/Pen.h"
#include "pixlib/core/WinTypes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class PIXLIB_API CDC {
 public:
  CDC() = default;  // a memory context
  explicit CDC(IDisplayDevice* device) : m_device(device) {}

  // Selects a bitmap (null deselects); returns the one selected before.
  HBITMAP SelectBitmap(HBITMAP bitmap);
  HBITMAP SelectedBitmap() const { return m_bitmap; }

  // Draws a DIB (bits following the header when bits is null) with its
  // top-left corner at device (0, 0), clipped to the selected bitmap.
  // Returns 0 when nothing is selected or the DIB cannot be read.
  int DrawDib(const BITMAPINFOHEADER* dib, const void* bits = nullptr);

  // TECHNOLOGY, RASTERCAPS or LOGPIXELSY; a memory context is a
  // true-colour raster display.
  int GetDeviceCaps(int index) const;
  // Hands a bitmap to the display device; 0 on a memory context.
  int DrawBits(const DibDrawing& drawing);

  // Attributes; each setter returns the previous value. Defaults: black
  // text on a white, opaque background, left/top alignment, black pen of
  // width 1, copy-pen raster mode, no font, no clipping.
  const CFont* SelectFont(const CFont* font);
  const CPen* SelectPen(const CPen* pen);
  COLORREF SetTextColor(COLORREF colour);
  COLORREF GetTextColor() const { return m_state.textColour; }
  COLORREF SetBkColor(COLORREF colour);
  COLORREF GetBkColor() const { return m_state.bkColour; }
  int SetBkMode(int mode);
  int GetBkMode() const { return m_state.bkMode; }
  unsigned SetTextAlign(unsigned align);
  int SetROP2(int rop);
  // Narrows the clip rectangle (right and bottom exclusive); ResetClip lifts it.
  void IntersectClipRect(int left, int top, int right, int bottom);
  void ResetClip() { m_state.clip.reset(); }
  // Saves the attributes; RestoreDC(-1) brings back the last saved set,
  // RestoreDC(n) the set SaveDC returned n for.
  int SaveDC();
  int RestoreDC(int saved);

  // Text (UTF-8, see TextDecoding.h) in the selected font: width of the
  // characters' advances and height of the character cell.
  CSize GetTextExtent(std::string_view text) const;
  CSize GetTextExtent(std::u32string_view text) const;
  int GetTextMetrics(TEXTMETRIC* metrics) const;
  // Draws at the reference point set by the text alignment, along the
  // font's escapement, with the opaque background when that mode is set.
  int TextOut(int x, int y, std::string_view text);
  int TextOut(int x, int y, std::u32string_view text);

  // Lines with the selected pen from the current position; the end becomes
  // the current position.
  void MoveTo(int x, int y) { m_state.position = CPoint{x, y}; }
  int LineTo(int x, int y);

 private:
  struct State {
    const CFont* font = nullptr;
    const CPen* pen = nullptr;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    unsigned textAlign = TA_LEFT | TA_TOP;
    int rop = R2_COPYPEN;
    std::optional<CRect> clip;
    CPoint position;
  };
  CRect ClipRect() const;

  HBITMAP m_bitmap = nullptr;
  IDisplayDevice* m_device = nullptr;
  State m_state;
  std::vector<State> m_saved;
};
