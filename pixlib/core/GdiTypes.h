#pragma once
// Values and records of the drawing interface: colours, modes, device
// capabilities and the logical font description.

#include <cstdint>

typedef unsigned long COLORREF;  // 0x00BBGGRR

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>(c >> 8 & 0xFF); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>(c >> 16 & 0xFF); }

// Background modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
// Raster operations of lines (SetROP2).
enum : int { R2_XORPEN = 7, R2_COPYPEN = 13 };
// Text alignment: horizontal and vertical reference of TextOut.
enum : int { TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24 };
// Raster operation of bitmap drawing.
constexpr unsigned long SRCCOPY = 0x00CC0020;
// GetDeviceCaps indices and the values they return.
enum : int { TECHNOLOGY = 2, RASTERCAPS = 38, LOGPIXELSY = 90 };
enum : int { DT_RASDISPLAY = 1, DT_RASPRINTER = 2 };
// Font weights and character set.
enum : int { FW_NORMAL = 400, FW_BOLD = 700, DEFAULT_CHARSET = 1 };

// The resolution text is laid out at: fixed, so that a caption has the same
// size on every station, with or without a screen.
constexpr int kScreenDpi = 96;

constexpr int LF_FACESIZE = 32;

struct LOGFONT {
  int32_t lfHeight;  // < 0: character (em) height in pixels; > 0: cell height
  int32_t lfWidth;
  int32_t lfEscapement;  // tenths of a degree, counter-clockwise
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
};

struct TEXTMETRIC {
  int tmHeight;
  int tmAscent;
  int tmDescent;
};
