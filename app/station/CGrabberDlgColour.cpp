// The station's colour settings: per preset from the properties file, and
// the colour page's transformer for the set-up pages.
#include "app/station/CGrabberDlg.h"

#include "camera/PropertiesFile.h"

#include <tinyxml.h>

#include <string>

void CGrabberDlg::LoadPresetColour(int preset)
{
    // A preset without colour settings gets the defaults, not the last preset's.
    CColorTransformer loaded;
    TiXmlDocument document;
    if (PropertiesFile::LoadForReading(document, PropertiesFileName())) {
        if (TiXmlNode* set = PropertiesFile::FindSet(document, PresetSet(preset)))
            loaded.Load(&document, set->ToElement());
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
