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

int ToInt(int64_t value) {
  return static_cast<int>(
      std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void LimitInto(int& value, int min, int max) { value = std::max(min, std::min(value, max)); }

}  // namespace

CAutoExposureCtrl::CAutoExposureCtrl() {
  for (const char* className : kAlgorithmClassNames)
    if (auto algorithm = CreateAlgorithm(className)) m_algorithms.push_back(std::move(algorithm));
}

CAutoExposureCtrl::~CAutoExposureCtrl() = default;

CAutoExposure* CAutoExposureCtrl::SelectedAlgorithm() const {
  // "Type" comes from the settings file unchecked: anything that is not an
  // algorithm index counts as no algorithm.
  const int type = m_settings.m_type;
  if (type < 0 || type >= static_cast<int>(m_algorithms.size())) return nullptr;
  return m_algorithms[type].get();
}

void CAutoExposureCtrl::Run(IplImage* image) {
  std::lock_guard lock(m_lock);
  CAutoExposure* algorithm = SelectedAlgorithm();
  if (!algorithm || !m_exposureNode.IsValid() || !image) return;
  try {
    const auto exposure = static_cast<float>(m_exposureNode.Get());
    const float proposed =
        algorithm->Compute(*image, m_settings.m_underLevel, m_settings.m_overLevel, exposure);
    if (std::isnan(proposed)) return;  // no exposure can be derived from it
    double limited = proposed;
    if (limited < static_cast<double>(m_settings.m_shutterMin))
      limited = m_settings.m_shutterMin;
    else if (limited > static_cast<double>(m_settings.m_shutterMax))
      limited = m_settings.m_shutterMax;
    m_exposureNode.Set(static_cast<int64_t>(limited));
  } catch (const GenICam::OutOfRangeException&) {
    // The camera refused the value; the next frame tries again.
  }
}

void CAutoExposureCtrl::BindNodes(GenApi::INodeMap* nodeMap) {
  std::lock_guard lock(m_lock);
  BindAndLimit(nodeMap);
}

// A raw exposure step is the camera's time base, 20 microseconds without one;
// a raw gain step 0.0359 dB.
void CAutoExposureCtrl::BindAndLimit(GenApi::INodeMap* nodeMap) {
  constexpr double kMicrosecondsPerStep = 20.0;
  constexpr double kDecibelsPerStep = 0.0359;
  m_exposureNode.Bind(nodeMap, "ExposureTimeRaw", {"ExposureTime", "ExposureTimeAbs"}, "ExposureTimeBaseAbs",
                      kMicrosecondsPerStep);
  m_gainSelectorNode = nodeMap ? nodeMap->GetNode("GainSelector") : nullptr;
  m_gainNode.Bind(nodeMap, "GainRaw", {"Gain"}, nullptr, kDecibelsPerStep);
  // Unbinding keeps the limits: the same camera may come back.
  if (nodeMap) LimitSettings();
}

void CAutoExposureCtrl::LimitSettings() {
  const Range shutter = ShutterRange();
  LimitInto(m_settings.m_shutterMax, shutter.min, shutter.max);
  LimitInto(m_settings.m_shutterMin, shutter.min, shutter.max);
  const Range gain = GainRange();
  LimitInto(m_settings.m_gainMax, gain.min, gain.max);
  LimitInto(m_settings.m_gainMin, gain.min, gain.max);
}

std::string CAutoExposureCtrl::BoundNodes() const {
  std::lock_guard lock(m_lock);
  const std::string exposure = m_exposureNode.IsValid() ? m_exposureNode.Name() : "none";
  const std::string gain = m_gainNode.IsValid() ? m_gainNode.Name() : "none";
  return "exposure " + exposure + ", gain " + gain;
}

void CAutoExposureCtrl::SelectAllGains() { m_gainSelectorNode->FromString("All"); }

// A camera that cannot tell its ranges (it is going away) counts as unbound.
CAutoExposureCtrl::Range CAutoExposureCtrl::ShutterRange() const {
  try {
    if (m_exposureNode.IsValid()) return {ToInt(m_exposureNode.Min()), ToInt(m_exposureNode.Max())};
  } catch (const GenICam::GenericException&) {
  }
  return {0, kUnboundShutterMax};
}

CAutoExposureCtrl::Range CAutoExposureCtrl::GainRange() {
  try {
    if (HasGainNodes()) {
      SelectAllGains();
      return {ToInt(m_gainNode.Min()), ToInt(m_gainNode.Max())};
    }
  } catch (const GenICam::GenericException&) {
  }
  return {0, kUnboundGainMax};
}

void CAutoExposureCtrl::GetProperties(IPropertyHost* camera, GenApi::INodeMap* nodeMap, CPropertyList& list) {
  std::lock_guard lock(m_lock);
  BindAndLimit(nodeMap);
  LimitSettings();

  list.AddSection("AEC");
  std::vector<CPropertyChoice> types{{"None", -1, "No AEC, AEC is disabled"}};
  for (size_t i = 0; i < m_algorithms.size(); ++i)
    types.push_back({m_algorithms[i]->GetName(), static_cast<int>(i), m_algorithms[i]->GetDescription()});
  list.AddChoice(camera, "Type", &m_settings.m_type, "Select the desired AEC type", std::move(types));

  AddShutterRange(list, camera);
  AddGainRange(list, camera);

  // Only the chosen algorithm's settings matter; choosing another asks the
  // camera for the list again.
  if (CAutoExposure* algorithm = SelectedAlgorithm()) algorithm->GetProperties(camera, list);
}

void CAutoExposureCtrl::AddShutterRange(CPropertyList& list, IPropertyHost* camera) {
  const Range range = ShutterRange();
  list.AddInteger(camera, "Shutter Max", &m_settings.m_shutterMax, range.min, range.max,
                  "Set the maximum value for shutter speed\nif max is reached than gain is incremented");
  list.AddInteger(camera, "Shutter Min", &m_settings.m_shutterMin, range.min, range.max,
                  "Set the minimum value for shutter speed\nif min is reached than gain is decremented");
}

void CAutoExposureCtrl::AddGainRange(CPropertyList& list, IPropertyHost* camera) {
  const Range range = GainRange();
  m_settings.m_gainRef = (range.max - range.min) / 2;
  list.AddInteger(camera, "Gain Ref", &m_settings.m_gainRef, range.min, range.max,
                  "Set the reference value for gain in AEC mode");
  list.AddInteger(camera, "Gain Max", &m_settings.m_gainMax, range.min, range.max,
                  "Set the maximum value for gain when incrementing");
  list.AddInteger(camera, "Gain Min", &m_settings.m_gainMin, range.min, range.max,
                  "Set the minimum value for gain when decrementing");
}

bool CAutoExposureCtrl::OnPropertyChanged(const void*, bool& result) {
  result = true;
  return true;
}

bool CAutoExposureCtrl::IsPropertyEnabled(const void*, bool& result) {
  result = true;
  return true;
}

bool CAutoExposureCtrl::Load(const TiXmlElement& element) {
  std::lock_guard lock(m_lock);
  const TiXmlElement* aec = element.FirstChildElement("AEC");
  if (!aec) return false;
  ReadValue(*aec, "Type", m_settings.m_type);
  ReadValue(*aec, "ShutterMax", m_settings.m_shutterMax);
  ReadValue(*aec, "ShutterMin", m_settings.m_shutterMin);
  ReadValue(*aec, "GainMax", m_settings.m_gainMax);
  ReadValue(*aec, "GainMin", m_settings.m_gainMin);
  ReadValue(*aec, "GainRef", m_settings.m_gainRef);
  for (const auto& algorithm : m_algorithms) algorithm->Load(*aec);
  return true;
}

bool CAutoExposureCtrl::Save(TiXmlElement& element) {
  std::lock_guard lock(m_lock);
  TiXmlElement& aec = ChildElement(element, "AEC");
  WriteValue(aec, "Type", m_settings.m_type);
  WriteValue(aec, "ShutterMax", m_settings.m_shutterMax);
  WriteValue(aec, "ShutterMin", m_settings.m_shutterMin);
  WriteValue(aec, "GainMax", m_settings.m_gainMax);
  WriteValue(aec, "GainMin", m_settings.m_gainMin);
  WriteValue(aec, "GainRef", m_settings.m_gainRef);
  for (const auto& algorithm : m_algorithms) algorithm->Save(aec);
  return true;
}

void CAutoExposureCtrl::Snapshot() {
  std::lock_guard lock(m_lock);
  if (m_exposureNode.IsValid()) m_keptExposure = m_exposureNode.Get();
  if (HasGainNodes()) {
    if (m_gainSelectorNode->GetIntValue() != 0) SelectAllGains();
    m_keptGain = m_gainNode.Get();
  }
  m_keptSettings = m_settings;
  for (const auto& algorithm : m_algorithms) algorithm->Snapshot();
}

void CAutoExposureCtrl::Restore() {
  std::lock_guard lock(m_lock);
  if (!m_keptSettings) return;  // nothing was kept
  // The settings come back first: a camera that refuses the values below
  // still gets the kept exposure control.
  m_settings = *m_keptSettings;
  for (const auto& algorithm : m_algorithms) algorithm->Restore();
  if (m_exposureNode.IsValid() && m_keptExposure) m_exposureNode.Set(*m_keptExposure);
  if (HasGainNodes() && m_keptGain) {
    if (m_gainSelectorNode->GetIntValue() != 0) SelectAllGains();
    m_gainNode.Set(*m_keptGain);
  }
}

void CAutoExposureCtrl::SelectAlgorithm(int type) {
  std::lock_guard lock(m_lock);
  m_settings.m_type = type;
}

void CAutoExposureCtrl::MaximiseGain() {
  std::lock_guard lock(m_lock);
  if (!HasGainNodes()) return;
  SelectAllGains();
  m_gainNode.Set(m_gainNode.Max());
}

}  // namespace AEC
