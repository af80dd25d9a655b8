// The camera's trigger mode and its software trigger, on the nodes the camera
// bound when it was opened. A missing node makes each operation a no-op.
#include "app/station/CGrabberDlg.h"

void CGrabberDlg::SetFreeRunning(bool freeRun)
{
    if (!m_triggerMode.IsValid())
        return;
    try {
        m_triggerMode->FromString(freeRun ? "Off" : "On");
    } catch (const GenICam::GenericException&) {
        // A camera that refuses the mode keeps its current one.
    }
}

void CGrabberDlg::FireOutputs(int mask)
{
    if (!GetNodeMap() || !m_triggerSoftware.IsValid() || !m_triggerSource.IsValid() ||
        !m_userOutputValueAll.IsValid())
        return;
    if (mask == 0) {
        if (m_triggerSource->ToString() == "Software") {
            m_triggerSoftware->Execute();
        } else {
            const int64_t source = m_triggerSource->GetIntValue();
            m_triggerSource->FromString("Software");
            m_triggerSoftware->Execute();
            m_triggerSource->SetIntValue(source);
        }
        return;
    }
    const int64_t outputs = m_userOutputValueAll->GetValue() | mask;
    m_userOutputValueAll->SetValue(outputs);
    m_userOutputValueAll->SetValue(outputs & ~static_cast<int64_t>(mask));
}
