// What the set-up pages save into the active preset's set of the properties file.
#include "app/station/CGrabberDlg.h"

#include "app/LogTrace.h"
#include "camera/PropertiesFile.h"

#include <tinyxml.h>

bool CGrabberDlg::SaveToPresetSet(const char* what, const std::function<void(TiXmlNode& set)>& write)
{
    const std::string file = PropertiesFileName();
    TiXmlDocument document;
    if (!PropertiesFile::LoadForEditing(document, file)) {
        TheLog().WriteLine(std::string(what) + " not saved: " + file + " cannot be read and is kept as it is");
        return false;
    }
    write(PropertiesFile::SetNode(document, "Set" + std::to_string(m_preset)));
    if (PropertiesFile::Save(document, file))
        return true;
    TheLog().WriteLine(std::string(what) + " not saved: " + file + " cannot be written");
    return false;
}

bool CGrabberDlg::SavePresetCameraSettings()
{
    const auto lifecycle = LockLifecycle();
    return SaveToPresetSet("Camera settings", [this](TiXmlNode& set) {
        TiXmlElement* camera = set.FirstChildElement("PylonCamera");
        if (camera == nullptr)
            camera = set.LinkEndChild(new TiXmlElement("PylonCamera"))->ToElement();
        SaveCustomProperties(camera);
    });
}
