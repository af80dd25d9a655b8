// The camera's settings per preset: its features, post gamma, rotation and
// exposure control, kept in the preset's set of the properties file.
#include "app/station/CGrabberDlg.h"

#include "platform/LogTrace.h"

// A setting the camera refuses is logged and skipped; the others still apply.
void CGrabberDlg::LoadPresetCameraProperties(int preset) {
  const std::string set = PresetSet(preset);
  if (!LoadCameraSettings(PropertiesFileName(), set)) {
    TheLog().WriteLine("Camera settings: no " + set + " in " + PropertiesFileName());
    return;
  }
  for (const std::string& refusal : LoadRefusals())
    TheLog().WriteLine("Camera settings " + set + ": the camera refused " + refusal);
}

bool CGrabberDlg::SavePresetCameraSettings() {
  const std::string set = PresetSet(m_preset);
  if (SaveCameraSettings(PropertiesFileName(), set)) {
    SetPresetNote("");  // the preset has settings now
    return true;
  }
  TheLog().WriteLine("Camera settings of " + set + " not saved: " + PropertiesFileName() +
                     " cannot be read, does not parse or cannot be written");
  return false;
}
