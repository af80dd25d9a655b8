#pragma once
// A ready-made CTwain client: sets the chosen capabilities and source
// settings once the source is open, and keeps every acquired picture.

#include <memory>
#include <string>
#include <vector>

#include "pixlib/twain/Twain.h"

class PIXLIB_API CTwainCollector : public CTwain {
 public:
  // A one-value capability set before the source is enabled.
  void SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value);
  // The scan area in inches, set before the capabilities.
  void SetFrame(const TW_FRAME& frame) { m_frame = frame, m_hasFrame = true; }
  // Source-specific settings (DAT_CUSTOMDSDATA), sent before the capabilities.
  void SetCustomData(const std::string& data) { m_customData = data; }
  // Pictures beyond this many are skipped (the rest cancelled).
  void SetMaxImages(int count) { m_maxImages = count; }

  std::vector<std::unique_ptr<CxImage>>& Images() { return m_images; }
  int FailedTransfers() const { return m_failedTransfers; }
  // Whether every setting was accepted by the last source opened.
  bool SettingsAccepted() const { return m_settingsAccepted; }
  const std::vector<TW_ERR>& Errors() const { return m_errors; }

 protected:
  CxImage* TargetImage() override;
  void TransferDone(int success) override;
  void StateChange(int newState) override;
  void TwainError(TW_ERR error) override;

 private:
  bool ApplySettings();

  struct Setting {
    TW_UINT16 cap;
    TW_UINT16 type;
    TW_UINT32 value;
  };
  std::vector<Setting> m_settings;
  std::string m_customData;
  TW_FRAME m_frame{};
  bool m_hasFrame = false;
  int m_maxImages = -1;
  bool m_configured = false;
  bool m_settingsAccepted = true;
  int m_failedTransfers = 0;
  std::vector<std::unique_ptr<CxImage>> m_images;
  std::vector<TW_ERR> m_errors;
};
