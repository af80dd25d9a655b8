#include "layout/CLayoutSet.h"

#include <utility>

CLayoutSet::CLayoutSet(DatabaseSettings settings) : CRecordset(std::move(settings)) { m_nFields = 36; }

void CLayoutSet::DoFieldExchange(CFieldExchange& fx) {
  RFX_Text(&fx, "[NAME]", m_NAME);
  RFX_Single(&fx, "[ASPECT_RATIO]", m_ASPECT_RATIO);
  RFX_Text(&fx, "[BG_IMAGE_NAME]", m_BG_IMAGE_NAME);
  RFX_Long(&fx, "[BLUE]", m_BLUE);
  RFX_Long(&fx, "[BRIGHTNESS]", m_BRIGHTNESS);
  RFX_Long(&fx, "[CONTRAST]", m_CONTRAST);
  RFX_Long(&fx, "[CROPBOTTOM]", m_CROPBOTTOM);
  RFX_Long(&fx, "[CROPLEFT]", m_CROPLEFT);
  RFX_Long(&fx, "[CROPRIGHT]", m_CROPRIGHT);
  RFX_Long(&fx, "[CROPTOP]", m_CROPTOP);
  RFX_Text(&fx, "[FG_IMAGE_NAME]", m_FG_IMAGE_NAME);
  RFX_Text(&fx, "[FONTNAME]", m_FONTNAME);
  RFX_Long(&fx, "[FONTSTYLE]", m_FONTSTYLE);
  RFX_Long(&fx, "[GREEN]", m_GREEN);
  RFX_Text(&fx, "[ICON_IMAGE_NAME]", m_ICON_IMAGE_NAME);
  RFX_Long(&fx, "[ICONROTATION]", m_ICONROTATION);
  RFX_Long(&fx, "[ICONX]", m_ICONX);
  RFX_Long(&fx, "[ICONY]", m_ICONY);
  RFX_Long(&fx, "[ICONZOOM]", m_ICONZOOM);
  RFX_Long(&fx, "[ID]", m_ID);
  RFX_Long(&fx, "[IMAGEX]", m_IMAGEX);
  RFX_Long(&fx, "[IMAGEY]", m_IMAGEY);
  RFX_Long(&fx, "[RED]", m_RED);
  RFX_Long(&fx, "[ROTATION]", m_ROTATION);
  RFX_Long(&fx, "[SATURATION]", m_SATURATION);
  RFX_Text(&fx, "[TEXT]", m_TEXT, 4096);
  RFX_Long(&fx, "[TEXTALIGN]", m_TEXTALIGN);
  RFX_Long(&fx, "[TEXTCOLOR]", m_TEXTCOLOR);
  RFX_Long(&fx, "[TEXTROTATION]", m_TEXTROTATION);
  RFX_Long(&fx, "[TEXTX]", m_TEXTX);
  RFX_Long(&fx, "[TEXTY]", m_TEXTY);
  RFX_Long(&fx, "[TEXTZOOM]", m_TEXTZOOM);
  RFX_Long(&fx, "[ZOOM]", m_ZOOM);
  RFX_Text(&fx, "[PAGE]", m_PAGE, 8000);
  RFX_Text(&fx, "[GRUPPO]", m_GRUPPO, 256);
  RFX_Text(&fx, "[CATEGORIA]", m_CATEGORIA, 256);
}
