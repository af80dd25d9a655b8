#include "records/CFotoSet.h"

#include <utility>

CFotoSet::CFotoSet(DatabaseSettings settings) : CRecordset(std::move(settings)) { m_nFields = 40; }

void CFotoSet::DoFieldExchange(CFieldExchange& fx) {
  RFX_Long(&fx, "[ID]", m_ID);
  RFX_Text(&fx, "[OPERATORE]", m_OPERATORE);
  RFX_Date(&fx, "[DATA]", m_DATA);
  RFX_Long(&fx, "[RULLINO]", m_RULLINO);
  RFX_Long(&fx, "[CONTATORE]", m_CONTATORE);
  RFX_Text(&fx, "[NOME_FILE]", m_NOME_FILE);
  RFX_Long(&fx, "[POSIZIONE]", m_POSIZIONE);
  RFX_Text(&fx, "[FG_IMAGE_NAME]", m_FG_IMAGE_NAME);
  RFX_Text(&fx, "[BG_IMAGE_NAME]", m_BG_IMAGE_NAME);
  RFX_Text(&fx, "[ICON_IMAGE_NAME]", m_ICON_IMAGE_NAME);
  RFX_Single(&fx, "[ASPECT_RATIO]", m_ASPECT_RATIO);
  RFX_Long(&fx, "[IMAGEX]", m_IMAGEX);
  RFX_Long(&fx, "[IMAGEY]", m_IMAGEY);
  RFX_Long(&fx, "[CROPLEFT]", m_CROPLEFT);
  RFX_Long(&fx, "[CROPTOP]", m_CROPTOP);
  RFX_Long(&fx, "[CROPRIGHT]", m_CROPRIGHT);
  RFX_Long(&fx, "[CROPBOTTOM]", m_CROPBOTTOM);
  RFX_Long(&fx, "[ZOOM]", m_ZOOM);
  RFX_Long(&fx, "[ROTATION]", m_ROTATION);
  RFX_Long(&fx, "[RED]", m_RED);
  RFX_Long(&fx, "[GREEN]", m_GREEN);
  RFX_Long(&fx, "[BLUE]", m_BLUE);
  RFX_Long(&fx, "[CONTRAST]", m_CONTRAST);
  RFX_Long(&fx, "[BRIGHTNESS]", m_BRIGHTNESS);
  RFX_Long(&fx, "[SATURATION]", m_SATURATION);
  RFX_Long(&fx, "[ICONX]", m_ICONX);
  RFX_Long(&fx, "[ICONY]", m_ICONY);
  RFX_Long(&fx, "[ICONZOOM]", m_ICONZOOM);
  RFX_Long(&fx, "[ICONROTATION]", m_ICONROTATION);
  RFX_Text(&fx, "[TEXT]", m_TEXT, 65536);
  RFX_Long(&fx, "[TEXTX]", m_TEXTX);
  RFX_Long(&fx, "[TEXTY]", m_TEXTY);
  RFX_Long(&fx, "[TEXTZOOM]", m_TEXTZOOM);
  RFX_Long(&fx, "[TEXTROTATION]", m_TEXTROTATION);
  RFX_Long(&fx, "[TEXTALIGN]", m_TEXTALIGN);
  RFX_Long(&fx, "[TEXTCOLOR]", m_TEXTCOLOR);
  RFX_Long(&fx, "[FONTSTYLE]", m_FONTSTYLE);
  RFX_Text(&fx, "[FONTNAME]", m_FONTNAME);
  RFX_Text(&fx, "[EVENTO]", m_EVENTO, 1024);
  RFX_Text(&fx, "[PAGE]", m_PAGE, 8000);
}
