#include "camera/PylonCamera.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>

#include "camera/GammaTable.h"
#include "pylon/GenericException.h"

namespace {

const char* const kCameraSettings = "Camera Settings";
const char* const kUsePostGamma = "Use Post Gamma";

TiXmlElement* ChildElement(TiXmlElement& parent, const char* name) {
  if (TiXmlElement* child = parent.FirstChildElement(name)) return child;
  return parent.InsertEndChild(TiXmlElement(name))->ToElement();
}

}  // namespace

CPylonCamera::CPylonCamera(std::string applicationName) : m_profile(std::move(applicationName)) {}

CPylonCamera::~CPylonCamera() { ReleaseDevice(); }

void CPylonCamera::Trace(const char*, ...) {}

// An absent setting is written back with its default, so that it can be found.
bool CPylonCamera::UsePostGamma() const {
  if (!m_profile.Find(kCameraSettings, kUsePostGamma)) m_profile.WriteInt(kCameraSettings, kUsePostGamma, 0);
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

// A preset's post gamma reaches a grabbing camera at once.
void CPylonCamera::LoadPostGamma(float gamma) {
  if (std::isfinite(gamma) && gamma != m_postGamma) SetPostGamma(std::clamp(gamma, 0.0f, 10.0f));
}

// A camera that refuses the table keeps grabbing with the one it has.
void CPylonCamera::ProgramGammaTable() {
  const auto lifecycle = LockLifecycle();
  if (!GetDevice() || !GetNodeMap()) return;
  try {
    WriteGammaTable(*GetNodeMap(), m_postGamma);
  } catch (const GenICam::GenericException& error) {
    Trace("Gamma table %g: %s\n", double(m_postGamma), error.what());
  }
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
  // Another algorithm brings its own settings into the list.
  if (id == &m_settings.m_type) NotifyRebuild();
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
  list.AddSection("Custom Properties");
  if (UsePostGamma()) list.AddFloat(this, "PostGamma", &m_postGamma, 0.0, 10.0, "");
  list.AddInteger(this, "Rotation", &m_rotation, kMinRotation, kMaxRotation, "");
  const auto lifecycle = LockLifecycle();
  CAutoExposureCtrl::GetProperties(this, GetNodeMap(), list);
}

void CPylonCamera::BindCustomNodes(GenApi::INodeMap* nodeMap) { CAutoExposureCtrl::BindNodes(nodeMap); }

bool CPylonCamera::SaveCustomProperties(TiXmlElement* element) {
  if (!element) return false;
  TiXmlElement* custom = ChildElement(*element, "CustomProperties");
  if (UsePostGamma()) ChildElement(*custom, "PostGamma")->SetDoubleAttribute("value", double(m_postGamma));
  ChildElement(*custom, "Rotation")->SetAttribute("value", m_rotation);
  return CAutoExposureCtrl::Save(*element);
}

bool CPylonCamera::LoadCustomProperties(TiXmlElement* element) {
  TiXmlElement* custom = element ? element->FirstChildElement("CustomProperties") : nullptr;
  if (!custom) return false;
  if (UsePostGamma()) {
    if (const TiXmlElement* gamma = custom->FirstChildElement("PostGamma")) {
      double value = m_postGamma;
      gamma->QueryDoubleAttribute("value", &value);
      LoadPostGamma(float(value));
    }
  }
  if (const TiXmlElement* rotation = custom->FirstChildElement("Rotation")) {
    int value = m_rotation;
    rotation->QueryIntAttribute("value", &value);
    m_rotation = std::clamp(value, kMinRotation, kMaxRotation);
  }
  CAutoExposureCtrl::Load(*element);
  return true;
}
