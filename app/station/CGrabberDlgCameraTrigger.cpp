// The camera's trigger mode and its software trigger, on the nodes the camera
// bound when it was opened. A missing node makes each operation a no-op.
#include "app/station/CGrabberDlg.h"

#include "camera/EnumerationRestore.h"

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
    // A software shot needs only the trigger nodes: many cameras have no user outputs.
    if (!GetNodeMap() || !m_triggerSoftware.IsValid() || !m_triggerSource.IsValid())
        return;
    if (mask == 0) {
        if (m_triggerSource->ToString() == "Software") {
            m_triggerSoftware->Execute();
        } else {
            // The line comes back also when the camera refuses the shot.
            const CEnumerationRestore source(m_triggerSource);
            m_triggerSource->FromString("Software");
            m_triggerSoftware->Execute();
        }
        return;
    }
    if (!m_userOutputValueAll.IsValid())
        return;
    const int64_t outputs = m_userOutputValueAll->GetValue() | mask;
    m_userOutputValueAll->SetValue(outputs);
    m_userOutputValueAll->SetValue(outputs & ~static_cast<int64_t>(mask));
}
