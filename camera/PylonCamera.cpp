#include "camera/PylonCamera.h"

#include <tinyxml.h>

#include "camera/GammaTable.h"

namespace {

const char* const kCameraSettings = "Camera Settings";
const char* const kUsePostGamma = "Use Post Gamma";

TiXmlElement* ChildElement(TiXmlElement& parent, const char* name) {
    if (TiXmlElement* child = parent.FirstChildElement(name)) return child;
    return parent.InsertEndChild(TiXmlElement(name))->ToElement();
}

} // namespace

CPylonCamera::CPylonCamera(std::string applicationName) : m_profile(std::move(applicationName)) {}

CPylonCamera::~CPylonCamera() { ReleaseDevice(); }

void CPylonCamera::Trace(const char*, ...) {}

// An absent setting is written back with its default, so that it can be found.
bool CPylonCamera::UsePostGamma() const {
    if (!m_profile.Find(kCameraSettings, kUsePostGamma))
        m_profile.WriteInt(kCameraSettings, kUsePostGamma, 0);
    return m_profile.GetInt(kCameraSettings, kUsePostGamma, 0) != 0;
}

void CPylonCamera::OnPrepareGrab() {
    if (UsePostGamma()) ProgramGammaTable();
}

// A frame the converter could not convert carries no pixels to measure.
void CPylonCamera::ProcessImage(IplImage* image) {
    if (image && image->imageData) Run(image);
}

void CPylonCamera::SetPostGamma(float gamma) {
    m_postGamma = gamma;
    if (UsePostGamma()) ProgramGammaTable();
}

void CPylonCamera::ProgramGammaTable() {
    if (GetDevice() && GetNodeMap()) WriteGammaTable(*GetNodeMap(), m_postGamma);
}

bool CPylonCamera::OnCustomPropertyChanged(PropertyId id, const PropertyValue& newValue, bool& result) {
    if (id == &m_postGamma) {
        if (const double* gamma = std::get_if<double>(&newValue)) SetPostGamma(float(*gamma));
        result = true;
        return true;
    }
    if (id == &m_rotation) {
        if (const int* rotation = std::get_if<int>(&newValue)) m_rotation = *rotation;
        result = true;
        return true;
    }
    return CAutoExposureCtrl::OnPropertyChanged(id, result);
}

bool CPylonCamera::IsCustomPropertyEnabled(PropertyId id, bool& result) {
    if (id == &m_postGamma || id == &m_rotation) {
        result = true;
        return true;
    }
    return CAutoExposureCtrl::IsPropertyEnabled(id, result);
}

void CPylonCamera::AddCustomProperties(CPropertyList& list) {
    list.AddInteger(this, "Rotation", &m_rotation, -1800, 1800, "");
    const auto lifecycle = LockLifecycle();
    CAutoExposureCtrl::GetProperties(this, GetNodeMap(), list);
}

void CPylonCamera::BindCustomNodes(GenApi::INodeMap* nodeMap) { CAutoExposureCtrl::BindNodes(nodeMap); }

bool CPylonCamera::SaveCustomProperties(TiXmlElement* element) {
    if (!element) return false;
    TiXmlElement* custom = ChildElement(*element, "CustomProperties");
    if (UsePostGamma())
        ChildElement(*custom, "PostGamma")->SetDoubleAttribute("value", double(m_postGamma));
    ChildElement(*custom, "Rotation")->SetAttribute("value", m_rotation);
    return Save(*element);
}

bool CPylonCamera::LoadCustomProperties(TiXmlElement* element) {
    TiXmlElement* custom = element ? element->FirstChildElement("CustomProperties") : nullptr;
    if (!custom) return false;
    if (UsePostGamma()) {
        if (const TiXmlElement* gamma = custom->FirstChildElement("PostGamma")) {
            double value = m_postGamma;
            gamma->QueryDoubleAttribute("value", &value);
            m_postGamma = float(value);
        }
    }
    if (const TiXmlElement* rotation = custom->FirstChildElement("Rotation"))
        rotation->QueryIntAttribute("value", &m_rotation);
    Load(*element);
    return true;
}
