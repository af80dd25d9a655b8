// The station's colour settings: per preset from the properties file, and
// the colour page's transformer for the set-up pages.
#include "app/station/CGrabberDlg.h"

#include <tinyxml.h>

#include <string>

namespace {

// The preset's set: an element "Set%d" at the top of the document or below its root element.
TiXmlElement* FindSet(TiXmlDocument& document, int preset)
{
    const std::string name = "Set" + std::to_string(preset);
    if (TiXmlElement* set = document.FirstChildElement(name.c_str()))
        return set;
    TiXmlElement* root = document.RootElement();
    return root ? root->FirstChildElement(name.c_str()) : nullptr;
}

} // namespace

void CGrabberDlg::LoadPresetColour(int preset)
{
    // A preset without colour settings gets the defaults, not the last preset's.
    CColorTransformer loaded;
    TiXmlBase::SetCondenseWhiteSpace(true);
    TiXmlDocument document;
    if (document.LoadFile(PropertiesFileName().c_str())) {
        if (TiXmlElement* set = FindSet(document, preset))
            loaded.Load(&document, set);
    }
    std::lock_guard lock(m_colorLock);
    m_colorTransformer.m_settings = loaded.m_settings;
    if (m_activePage == ColorSetupPage)
        m_pageColorTransformer.m_settings = loaded.m_settings;
}

CColorTransformer CGrabberDlg::GetColorTransformer() const
{
    std::lock_guard lock(m_colorLock);
    return m_colorTransformer;
}

void CGrabberDlg::SetPageColorTransformer(const CColorTransformer& transformer)
{
    std::lock_guard lock(m_colorLock);
    m_pageColorTransformer = transformer;
}
