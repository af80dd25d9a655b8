// Where the station keeps its presets, and what the window is told when a
// preset has no saved settings to load.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "app/station/IStationHost.h"
#include "camera/PropertiesFile.h"
#include "platform/FileReplace.h"
#include "platform/StatePaths.h"

#include <tinyxml.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr std::array<const char*, 3> kPresetNames = {"Normal", "Low Light", "High Light"};

// The presets file name of an instance: "Properties<instance>.xml".
std::string PresetsFileName(const std::string& instance) { return "Properties" + instance + ".xml"; }

}  // namespace

// "Properties File Name" when set; else one file per instance in the settings
// folder, so that stations run from one installation keep their own presets.
std::string CGrabberDlg::PropertiesFileName() const {
  const std::string configured = m_app.GetProfileString("Program Settings", "Properties File Name", "");
  if (!configured.empty()) return configured;
  return bx::StatePaths::ConfigFolder() + "/" + PresetsFileName(m_app.m_instance);
}

std::string CGrabberDlg::PresetSet(int preset) { return "Set" + std::to_string(preset); }

// Copied, not moved: the program folder may be read-only, and another instance
// may still be an older station reading it.
void CGrabberDlg::AdoptOldPresetsFile() {
  const std::string file = PropertiesFileName();
  const std::string oldFile = m_app.GetExeFolder() + PresetsFileName(m_app.m_instance);
  std::error_code error;
  if (file == oldFile || std::filesystem::exists(file, error) || !std::filesystem::exists(oldFile, error))
    return;
  std::ifstream input(oldFile, std::ios::binary);
  std::stringstream text;
  text << input.rdbuf();
  const auto problem =
      input ? bx::WriteFileAtomically(file, text.str()) : std::optional<std::string>("cannot be read");
  if (problem)
    TheLog().WriteLine("Presets: " + oldFile + " of an older installation not copied to " + file + ": " +
                       *problem);
  else
    TheLog().WriteLine("Presets: copied " + oldFile + " of an older installation to " + file +
                       "; the station keeps its presets there from now on");
}

void CGrabberDlg::NotePresetSettings(int preset) {
  const std::string file = PropertiesFileName();
  const std::string name = kPresetNames[static_cast<std::size_t>(preset)];
  TiXmlDocument document;
  std::error_code error;
  if (PropertiesFile::LoadForReading(document, file)) {
    if (PropertiesFile::FindSet(document, PresetSet(preset))) {
      SetPresetNote("");
      return;
    }
  } else if (std::filesystem::exists(file, error)) {
    SetPresetNote("Preset \"" + name + "\" not loaded: " + file + " cannot be read or does not parse.");
    return;
  }
  SetPresetNote(
      "Preset \"" + name +
      "\" has no saved settings: the camera and the flash keep their settings "
      "and the colours are the defaults. Settings saved on the set-up pages now go to this preset.");
}

void CGrabberDlg::SetPresetNote(const std::string& note) {
  {
    std::lock_guard lock(m_stateLock);
    if (m_presetNote == note) return;
    m_presetNote = note;
  }
  if (!note.empty()) TheLog().WriteLine(note);
  m_host.RefreshPages();
}

std::string CGrabberDlg::PresetNote() const {
  std::lock_guard lock(m_stateLock);
  return m_presetNote;
}
