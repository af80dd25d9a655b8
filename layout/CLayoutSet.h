#pragma once

#include <cstdint>
#include <string>

#include "odbc/CRecordset.h"

// The table Layout: one row per stored layout. Auto-levels is stored as SATURATION + 1000.
class CLayoutSet : public CRecordset {
 public:
  explicit CLayoutSet(DatabaseSettings settings);

  std::string GetDefaultSQL() const override { return "[Layout]"; }
  void DoFieldExchange(CFieldExchange& fx) override;
  std::string KeyColumn() const override { return "[ID]"; }
  // A new layout is known by the id the database gives it.
  bool ReportsInsertedKey() const override { return true; }

  std::string m_NAME;
  float m_ASPECT_RATIO = 0.0f;
  std::string m_BG_IMAGE_NAME;
  std::int32_t m_BLUE = 0;
  std::int32_t m_BRIGHTNESS = 0;
  std::int32_t m_CONTRAST = 0;
  std::int32_t m_CROPBOTTOM = 0;
  std::int32_t m_CROPLEFT = 0;
  std::int32_t m_CROPRIGHT = 0;
  std::int32_t m_CROPTOP = 0;
  std::string m_FG_IMAGE_NAME;
  std::string m_FONTNAME;
  std::int32_t m_FONTSTYLE = 0;
  std::int32_t m_GREEN = 0;
  std::string m_ICON_IMAGE_NAME;
  std::int32_t m_ICONROTATION = 0;
  std::int32_t m_ICONX = 0;
  std::int32_t m_ICONY = 0;
  std::int32_t m_ICONZOOM = 0;
  std::int32_t m_ID = 0;
  std::int32_t m_IMAGEX = 0;
  std::int32_t m_IMAGEY = 0;
  std::int32_t m_RED = 0;
  std::int32_t m_ROTATION = 0;
  std::int32_t m_SATURATION = 0;
  std::string m_TEXT;
  std::int32_t m_TEXTALIGN = 0;
  std::int32_t m_TEXTCOLOR = 0;
  std::int32_t m_TEXTROTATION = 0;
  std::int32_t m_TEXTX = 0;
  std::int32_t m_TEXTY = 0;
  std::int32_t m_TEXTZOOM = 0;
  std::int32_t m_ZOOM = 0;
  std::string m_PAGE;
  std::string m_GRUPPO;
  std::string m_CATEGORIA;
};
