// The camera's part of the properties file: "PylonCamera" with the camera's
// features ("CameraProperties") and the program's camera settings.
#include "camera/GenPylonCamera.h"

#include <tinyxml.h>

#include "camera/PropertiesFile.h"

bool CGenPylonCamera::SaveCameraSettings(const std::string& path, const std::string& parent) {
  TiXmlDocument document;
  if (!PropertiesFile::LoadForEditing(document, path)) {
    Trace("Camera settings not saved: %s cannot be read or does not parse\n", path.c_str());
    return false;
  }
  TiXmlNode& set = PropertiesFile::SetNode(document, parent);
  TiXmlElement* camera = set.FirstChildElement("PylonCamera");
  if (!camera) camera = set.LinkEndChild(new TiXmlElement("PylonCamera"))->ToElement();
  Save(*camera);
  SaveCustomProperties(camera);
  return PropertiesFile::Save(document, path);
}

bool CGenPylonCamera::LoadCameraSettings(const std::string& path, const std::string& parent) {
  TiXmlDocument document;
  if (!PropertiesFile::LoadForReading(document, path)) return false;
  TiXmlNode* set = PropertiesFile::FindSet(document, parent);
  TiXmlElement* camera = set ? set->FirstChildElement("PylonCamera") : nullptr;
  if (!camera) return false;
  {
    std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
    Load(*camera);
  }
  LoadCustomProperties(camera);
  // The custom and exposure settings changed without a node callback.
  NotifyRebuild();
  return true;
}
