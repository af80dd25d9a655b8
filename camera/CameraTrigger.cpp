// The camera's trigger mode, its software trigger and its user outputs, on the
// nodes bound when the camera was opened. Each operation holds the camera's
// lifecycle lock, so a removal never frees the nodes under it; a missing node
// makes the operation a no-op.
#include "camera/GenPylonCamera.h"

#include "camera/EnumerationRestore.h"

#include <optional>

void CGenPylonCamera::SetFreeRunning(bool freeRun) {
  std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
  if (!m_triggerMode.IsValid()) return;
  try {
    m_triggerMode->FromString(freeRun ? "Off" : "On");
  } catch (const GenICam::GenericException&) {
    // a camera that refuses the mode keeps its current one
  }
}

// A shot needs only the trigger nodes: many cameras have no user outputs.
bool CGenPylonCamera::ExecuteSoftwareTrigger() {
  std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
  if (!m_nodeMap || !m_triggerSoftware.IsValid() || !m_triggerSource.IsValid()) return false;
  if (m_triggerSource->ToString() == "Software") {
    m_triggerSoftware->Execute();
    return true;
  }
  // A camera configured for a line gets it back, also when it refuses the shot.
  // Without one nothing else releases the camera: the source stays on software,
  // as a camera may take the trigger after the command has returned and lose it
  // to a restored line.
  std::optional<CEnumerationRestore> lineSource;
  if (m_triggerFromLine) lineSource.emplace(m_triggerSource);
  m_triggerSource->FromString("Software");
  m_triggerSoftware->Execute();
  return true;
}

void CGenPylonCamera::FireOutputs(int mask) {
  if (mask == 0) {
    ExecuteSoftwareTrigger();
    return;
  }
  std::lock_guard<std::recursive_mutex> lock(m_lifecycle);
  if (!m_nodeMap || !m_userOutputValueAll.IsValid()) return;
  const int64_t outputs = m_userOutputValueAll->GetValue() | mask;
  m_userOutputValueAll->SetValue(outputs);
  m_userOutputValueAll->SetValue(outputs & ~static_cast<int64_t>(mask));
}
