// The station's colour settings: per preset from the properties file, and
// the colour page's transformer for the set-up pages.
#include "app/station/CGrabberDlg.h"

#include "platform/LogTrace.h"
#include "app/station/IStationHost.h"
#include "camera/PropertiesFile.h"

#include <tinyxml.h>

#include <string>

void CGrabberDlg::LoadPresetColour(int preset) {
  // A preset without colour settings gets the defaults, not the last preset's.
  CColorTransformer loaded;
  TiXmlDocument document;
  if (PropertiesFile::LoadForReading(document, PropertiesFileName())) {
    if (TiXmlNode* set = PropertiesFile::FindSet(document, PresetSet(preset)))
      loaded.Load(&document, set->ToElement());
  }
  std::lock_guard lock(m_colorLock);
  m_colorTransformer.m_settings = loaded.m_settings;
  if (m_activePage == ColorSetupPage) m_pageColorTransformer.m_settings = loaded.m_settings;
}

CColorTransformer CGrabberDlg::GetColorTransformer() const {
  std::lock_guard lock(m_colorLock);
  return m_colorTransformer;
}

void CGrabberDlg::SetPageColorTransformer(const CColorTransformer& transformer) {
  std::lock_guard lock(m_colorLock);
  m_pageColorTransformer = transformer;
}

bool CGrabberDlg::StoreColorSettings(const CColorTransformer& transformer) {
  {
    std::lock_guard lock(m_colorLock);
    m_colorTransformer.m_settings = transformer.m_settings;
    m_pageColorTransformer.m_settings = transformer.m_settings;
  }
  // A file that does not parse is left as it is: it holds the other presets.
  const std::string file = PropertiesFileName();
  TiXmlDocument document;
  if (!PropertiesFile::LoadForEditing(document, file)) {
    TheLog().WriteLine("Colour settings not saved: " + file + " cannot be read or does not parse");
    return false;
  }
  SaveColorSettings(PropertiesFile::SetNode(document, PresetSet(m_preset)), transformer.m_settings);
  if (PropertiesFile::Save(document, file)) {
    SetPresetNote("");  // the preset has settings now
    return true;
  }
  TheLog().WriteLine("Colour settings not saved: " + file + " cannot be written");
  return false;
}

void CGrabberDlg::KeepSetupFrame(const CxImage& frame) {
  std::lock_guard lock(m_setupFrameLock);
  m_setupFrame.Create(static_cast<IplImage*>(frame), CF_COPY);
}

bool CGrabberDlg::PreviewPageColour() {
  CxImage source;
  {
    std::lock_guard lock(m_setupFrameLock);
    if (!m_setupFrame.IsValid() || !source.Create(static_cast<IplImage*>(m_setupFrame), CF_COPY))
      return false;
  }
  CxImage preview;
  if (!preview.Create(source.Width(), source.Height(), 0, 0, 0, nullptr)) return false;
  CColorTransformer transformer;
  {
    std::lock_guard lock(m_colorLock);
    transformer = m_pageColorTransformer;
  }
  transformer.Transform(source, preview, false);
  m_host.ShowOutputImage(preview, ShownImage{});
  return true;
}
