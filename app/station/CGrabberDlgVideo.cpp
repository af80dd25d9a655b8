// The video motion trigger on the station's side: live previews to the
// detector, arming at the start of acquisition, and the second video source.
#include "app/station/CGrabberDlg.h"

#include "trigger/video/V4l2VideoSource.h"

void CGrabberDlg::ArmVideoTrigger() { m_trigger->ArmVideo(); }

// On the grab thread under m_lock: the engine leaves live mode from a thread
// of its own.
bool CGrabberDlg::VideoDetectsMotion(CxImage& preview) { return m_trigger->DetectLiveMotion(preview); }

std::unique_ptr<IVideoSource> CGrabberDlg::MakeVideoSource() { return std::make_unique<V4l2VideoSource>(); }

void CGrabberDlg::LeaveLiveModeForShot() {
  m_discardUntilShot = true;
  SetLiveMode(false);
}
