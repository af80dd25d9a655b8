// The camera's trigger configuration, line debouncers, line states and output
// sources, on the nodes bound when it was opened. Each runs under the camera's
// lifecycle lock, so that it never reaches a device being closed.
#include "camera/GenPylonCamera.h"

#include "camera/EnumerationRestore.h"
#include "pylon/GenericException.h"

bool CGenPylonCamera::ConfigureTrigger(bool fromLine, bool risingEdge, const std::string& line) {
  std::lock_guard lock(m_lifecycle);
  m_triggerLine = line;
  if (!m_triggerMode.IsValid() || !m_triggerSource.IsValid() || !m_triggerActivation.IsValid()) return false;
  try {
    m_triggerMode->FromString("On");
    m_triggerSource->FromString(fromLine ? line.c_str() : "Software");
    m_triggerActivation->FromString(risingEdge ? "RisingEdge" : "FallingEdge");
    m_triggerFromLine = fromLine;
    return true;
  } catch (const GenICam::GenericException& error) {
    Trace("ConfigureTrigger %s: %s", line.c_str(), error.what());
    return false;
  }
}

bool CGenPylonCamera::IsHardwareTriggerSource() {
  std::lock_guard lock(m_lifecycle);
  if (!m_triggerSource.IsValid()) return false;
  try {
    return m_triggerSource->ToString() != "Software";
  } catch (const GenICam::GenericException&) {
    return false;
  }
}

void CGenPylonCamera::SetTriggerDelay(double microseconds) {
  std::lock_guard lock(m_lifecycle);
  if (!m_triggerDelayAbs.IsValid()) return;
  try {
    m_triggerDelayAbs->SetValue(microseconds);
  } catch (const GenICam::GenericException& error) {
    Trace("TriggerDelayAbs %.0f: %s", microseconds, error.what());
  }
}

void CGenPylonCamera::SetLineDebounce(double microseconds, const std::string& line) {
  std::lock_guard lock(m_lifecycle);
  if (!m_lineSelector.IsValid() || !m_lineDebouncerTimeAbs.IsValid()) return;
  try {
    const CEnumerationRestore selection(m_lineSelector);
    m_lineSelector->FromString(line.c_str());
    m_lineDebouncerTimeAbs->SetValue(microseconds);
  } catch (const GenICam::GenericException& error) {
    // A filter beyond the node's range (1500 ms in camera-trigger mode) lands here.
    Trace("LineDebouncerTimeAbs %s %.0f: %s", line.c_str(), microseconds, error.what());
  }
}

int64_t CGenPylonCamera::ReadLineStatus() {
  std::lock_guard lock(m_lifecycle);
  if (!m_lineStatusAll.IsValid()) return 0;
  try {
    return m_lineStatusAll->GetValue();
  } catch (const GenICam::GenericException&) {
    return 0;
  }
}

void CGenPylonCamera::SetOutputSource(bool exposureActive, const std::string& line) {
  std::lock_guard lock(m_lifecycle);
  if (!m_lineSelector.IsValid() || !m_lineSource.IsValid()) return;
  try {
    m_lineSelector->FromString(line.c_str());
    m_lineSource->FromString(exposureActive ? "ExposureActive" : "UserOutput");
  } catch (const GenICam::GenericException& error) {
    Trace("LineSource %s: %s", line.c_str(), error.what());
  }
}
