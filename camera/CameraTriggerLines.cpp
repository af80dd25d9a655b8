// The camera's trigger configuration, line debouncers, line states and output
// sources, on the nodes bound when it was opened. Each runs under the camera's
// lifecycle lock, so that it never reaches a device being closed.
#include "camera/GenPylonCamera.h"

#include "pylon/GenericException.h"

namespace {

// Puts "LineSelector" back to the line it showed, however the scope is left.
class LineSelection {
public:
    LineSelection(GenApi::CEnumerationPtr& selector, const std::string& line)
        : m_selector(selector), m_previous(selector->ToString().c_str())
    {
        m_selector->FromString(line.c_str());
    }
    ~LineSelection()
    {
        try {
            m_selector->FromString(m_previous.c_str());
        } catch (const GenICam::GenericException&) {
            // The camera refused its own previous symbol: nothing better to restore.
        }
    }
    LineSelection(const LineSelection&) = delete;
    LineSelection& operator=(const LineSelection&) = delete;

private:
    GenApi::CEnumerationPtr& m_selector;
    const std::string m_previous;
};

} // namespace

bool CGenPylonCamera::ConfigureTrigger(bool fromLine, bool risingEdge, const std::string& line)
{
    std::lock_guard lock(m_lifecycle);
    m_triggerLine = line;
    if (!m_triggerMode.IsValid() || !m_triggerSource.IsValid() || !m_triggerActivation.IsValid())
        return false;
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

bool CGenPylonCamera::IsHardwareTriggerSource()
{
    std::lock_guard lock(m_lifecycle);
    if (!m_triggerSource.IsValid())
        return false;
    try {
        return m_triggerSource->ToString() != "Software";
    } catch (const GenICam::GenericException&) {
        return false;
    }
}

void CGenPylonCamera::SetTriggerDelay(double microseconds)
{
    std::lock_guard lock(m_lifecycle);
    if (!m_triggerDelayAbs.IsValid())
        return;
    try {
        m_triggerDelayAbs->SetValue(microseconds);
    } catch (const GenICam::GenericException& error) {
        Trace("TriggerDelayAbs %.0f: %s", microseconds, error.what());
    }
}

void CGenPylonCamera::SetLineDebounce(double microseconds, const std::string& line)
{
    std::lock_guard lock(m_lifecycle);
    if (!m_lineSelector.IsValid() || !m_lineDebouncerTimeAbs.IsValid())
        return;
    try {
        LineSelection selection(m_lineSelector, line);
        m_lineDebouncerTimeAbs->SetValue(microseconds);
    } catch (const GenICam::GenericException& error) {
        // A filter beyond the node's range (1500 ms in camera-trigger mode) lands here.
        Trace("LineDebouncerTimeAbs %s %.0f: %s", line.c_str(), microseconds, error.what());
    }
}

int64_t CGenPylonCamera::ReadLineStatus()
{
    std::lock_guard lock(m_lifecycle);
    if (!m_lineStatusAll.IsValid())
        return 0;
    try {
        return m_lineStatusAll->GetValue();
    } catch (const GenICam::GenericException&) {
        return 0;
    }
}

void CGenPylonCamera::SetOutputSource(bool exposureActive, const std::string& line)
{
    std::lock_guard lock(m_lifecycle);
    if (!m_lineSelector.IsValid() || !m_lineSource.IsValid())
        return;
    try {
        m_lineSelector->FromString(line.c_str());
        m_lineSource->FromString(exposureActive ? "ExposureActive" : "UserOutput");
    } catch (const GenICam::GenericException& error) {
        Trace("LineSource %s: %s", line.c_str(), error.what());
    }
}
