#include "aec/AutoExposureCtrl.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tinyxml.h>

#include "aec/AlgorithmClasses.h"
#include "aec/PropertyList.h"
#include "aec/XmlValues.h"
#include "pylon/GenericException.h"

namespace AEC {

namespace {

constexpr int kUnboundShutterMax = 4095;
constexpr int kUnboundGainMax = 1023;

int ToInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

void LimitInto(int& value, int min, int max)
{
    value = std::max(min, std::min(value, max));
}

} // namespace

CAutoExposureCtrl::CAutoExposureCtrl()
{
    for (const char* className : kAlgorithmClassNames)
        if (auto algorithm = CreateAlgorithm(className))
            m_algorithms.push_back(std::move(algorithm));
}

CAutoExposureCtrl::~CAutoExposureCtrl() = default;

CAutoExposure* CAutoExposureCtrl::SelectedAlgorithm() const
{
    // "Type" comes from the settings file unchecked: anything that is not an
    // algorithm index counts as no algorithm.
    const int type = m_settings.m_type;
    if (type < 0 || type >= static_cast<int>(m_algorithms.size()))
        return nullptr;
    return m_algorithms[type].get();
}

void CAutoExposureCtrl::Run(IplImage* image)
{
    CAutoExposure* algorithm = SelectedAlgorithm();
    if (!algorithm || !m_exposureNode.IsValid() || !image)
        return;
    try {
        const auto exposure = static_cast<float>(m_exposureNode->GetValue());
        const float proposed =
            algorithm->Compute(*image, m_settings.m_underLevel, m_settings.m_overLevel, exposure);
        if (std::isnan(proposed))
            return; // no exposure can be derived from it
        double limited = proposed;
        if (limited < static_cast<double>(m_settings.m_shutterMin))
            limited = m_settings.m_shutterMin;
        else if (limited > static_cast<double>(m_settings.m_shutterMax))
            limited = m_settings.m_shutterMax;
        m_exposureNode->SetValue(static_cast<int64_t>(limited), true);
    } catch (const GenICam::OutOfRangeException&) {
        // The camera refused the value; the next frame tries again.
    }
}

void CAutoExposureCtrl::BindNodes(GenApi::INodeMap* nodeMap)
{
    m_exposureNode = nodeMap ? nodeMap->GetNode("ExposureTimeRaw") : nullptr;
    m_gainSelectorNode = nodeMap ? nodeMap->GetNode("GainSelector") : nullptr;
    m_gainNode = nodeMap ? nodeMap->GetNode("GainRaw") : nullptr;
}

void CAutoExposureCtrl::SelectAllGains()
{
    m_gainSelectorNode->FromString("All");
}

void CAutoExposureCtrl::GetProperties(IPropertyHost* camera, GenApi::INodeMap* nodeMap,
                                      CPropertyList& list)
{
    BindNodes(nodeMap);

    list.AddSection("AEC");
    std::vector<CPropertyChoice> types{{"None", -1, "No AEC, AEC is disabled"}};
    for (size_t i = 0; i < m_algorithms.size(); ++i)
        types.push_back({m_algorithms[i]->GetName(), static_cast<int>(i), m_algorithms[i]->GetDescription()});
    list.AddChoice(camera, "Type", &m_settings.m_type, "Select the desired AEC type", std::move(types));

    LimitShutterRange(list, camera);
    LimitGainRange(list, camera);

    for (const auto& algorithm : m_algorithms)
        algorithm->GetProperties(camera, list);
}

void CAutoExposureCtrl::LimitShutterRange(CPropertyList& list, IPropertyHost* camera)
{
    int min = 0, max = kUnboundShutterMax;
    if (m_exposureNode.IsValid()) {
        min = ToInt(m_exposureNode->GetMin());
        max = ToInt(m_exposureNode->GetMax());
    }
    LimitInto(m_settings.m_shutterMax, min, max);
    LimitInto(m_settings.m_shutterMin, min, max);
    list.AddInteger(camera, "Shutter Max", &m_settings.m_shutterMax, min, max,
                    "Set the maximum value for shutter speed\nif max is reached than gain is incremented");
    list.AddInteger(camera, "Shutter Min", &m_settings.m_shutterMin, min, max,
                    "Set the minimum value for shutter speed\nif min is reached than gain is decremented");
}

void CAutoExposureCtrl::LimitGainRange(CPropertyList& list, IPropertyHost* camera)
{
    int min = 0, max = kUnboundGainMax;
    if (m_gainNode.IsValid() && m_gainSelectorNode.IsValid()) {
        SelectAllGains();
        min = ToInt(m_gainNode->GetMin());
        max = ToInt(m_gainNode->GetMax());
    }
    m_settings.m_gainRef = (max - min) / 2;
    LimitInto(m_settings.m_gainMax, min, max);
    LimitInto(m_settings.m_gainMin, min, max);
    list.AddInteger(camera, "Gain Ref", &m_settings.m_gainRef, min, max,
                    "Set the reference value for gain in AEC mode");
    list.AddInteger(camera, "Gain Max", &m_settings.m_gainMax, min, max,
                    "Set the maximum value for gain when incrementing");
    list.AddInteger(camera, "Gain Min", &m_settings.m_gainMin, min, max,
                    "Set the minimum value for gain when decrementing");
}

bool CAutoExposureCtrl::OnPropertyChanged(const void*, bool& result)
{
    result = true;
    return true;
}

bool CAutoExposureCtrl::IsPropertyEnabled(const void*, bool& result)
{
    result = true;
    return true;
}

bool CAutoExposureCtrl::Load(const TiXmlElement& element)
{
    const TiXmlElement* aec = element.FirstChildElement("AEC");
    if (!aec)
        return false;
    ReadValue(*aec, "Type", m_settings.m_type);
    ReadValue(*aec, "ShutterMax", m_settings.m_shutterMax);
    ReadValue(*aec, "ShutterMin", m_settings.m_shutterMin);
    ReadValue(*aec, "GainMax", m_settings.m_gainMax);
    ReadValue(*aec, "GainMin", m_settings.m_gainMin);
    ReadValue(*aec, "GainRef", m_settings.m_gainRef);
    for (const auto& algorithm : m_algorithms)
        algorithm->Load(*aec);
    return true;
}

bool CAutoExposureCtrl::Save(TiXmlElement& element)
{
    TiXmlElement& aec = ChildElement(element, "AEC");
    WriteValue(aec, "Type", m_settings.m_type);
    WriteValue(aec, "ShutterMax", m_settings.m_shutterMax);
    WriteValue(aec, "ShutterMin", m_settings.m_shutterMin);
    WriteValue(aec, "GainMax", m_settings.m_gainMax);
    WriteValue(aec, "GainMin", m_settings.m_gainMin);
    WriteValue(aec, "GainRef", m_settings.m_gainRef);
    for (const auto& algorithm : m_algorithms)
        algorithm->Save(aec);
    return true;
}

void CAutoExposureCtrl::Snapshot()
{
    if (m_exposureNode.IsValid())
        m_keptExposure = m_exposureNode->GetValue();
    if (m_gainNode.IsValid() && m_gainSelectorNode.IsValid()) {
        if (m_gainSelectorNode->GetIntValue() != 0)
            SelectAllGains();
        m_keptGain = m_gainNode->GetValue();
    }
    m_keptSettings = m_settings;
    for (const auto& algorithm : m_algorithms)
        algorithm->Snapshot();
}

void CAutoExposureCtrl::Restore()
{
    if (!m_keptSettings)
        return; // nothing was kept
    if (m_exposureNode.IsValid() && m_keptExposure)
        m_exposureNode->SetValue(*m_keptExposure, true);
    if (m_gainNode.IsValid() && m_gainSelectorNode.IsValid() && m_keptGain) {
        if (m_gainSelectorNode->GetIntValue() != 0)
            SelectAllGains();
        m_gainNode->SetValue(*m_keptGain, true);
    }
    m_settings = *m_keptSettings;
    for (const auto& algorithm : m_algorithms)
        algorithm->Restore();
}

void CAutoExposureCtrl::MaximiseGain()
{
    if (!m_gainNode.IsValid() || !m_gainSelectorNode.IsValid())
        return;
    SelectAllGains();
    m_gainNode->SetValue(m_gainNode->GetMax(), true);
}

} // namespace AEC
