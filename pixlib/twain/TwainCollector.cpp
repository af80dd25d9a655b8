#include "pixlib/twain/TwainCollector.h"

#include <cstring>

#include "pixlib/twain/TwainHandle.h"

void CTwainCollector::SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value) {
  m_settings.push_back(Setting{cap, itemType, value});
}

CxImage* CTwainCollector::TargetImage() {
  if (m_maxImages >= 0 && static_cast<int>(m_images.size()) >= m_maxImages) return nullptr;
  m_images.push_back(std::make_unique<CxImage>());
  return m_images.back().get();
}

void CTwainCollector::TransferDone(int success) {
  if (success) return;
  ++m_failedTransfers;
  m_images.pop_back();
}

// The settings go to each newly opened source, before it is enabled.
void CTwainCollector::StateChange(int newState) {
  if (newState <= TWS_SM_OPEN) m_configured = false;
  if (newState != TWS_SOURCE_OPEN || m_configured) return;
  m_configured = true;
  m_settingsAccepted = ApplySettings();
}

void CTwainCollector::TwainError(TW_ERR error) { m_errors.push_back(error); }

bool CTwainCollector::ApplySettings() {
  bool accepted = true;
  if (!m_customData.empty()) {
    TW_CUSTOMDSDATA custom{static_cast<TW_UINT32>(m_customData.size()),
                           TwainAllocHandle(m_customData.size())};
    if (custom.hData != nullptr) std::memcpy(custom.hData->Bytes(), m_customData.data(), m_customData.size());
    accepted = custom.hData != nullptr && DS(DG_CONTROL, DAT_CUSTOMDSDATA, MSG_SET, &custom);
    TwainFreeHandle(custom.hData);
  }
  if (m_hasFrame) {
    TW_IMAGELAYOUT layout{m_frame, 1, 1, 1};
    accepted = DS(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout) && accepted;
  }
  for (const Setting& setting : m_settings) {
    TW_CAPABILITY cap{setting.cap, TWON_ONEVALUE, MakeOneValue(setting.type, setting.value)};
    accepted = cap.hContainer != nullptr && DS(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap) && accepted;
    TwainFreeHandle(cap.hContainer);
  }
  return accepted;
}
