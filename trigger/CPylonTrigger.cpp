#include "trigger/CPylonTrigger.h"

#include "camera/GenPylonCamera.h"

CPylonTrigger::~CPylonTrigger() {
  // The thread calls the overrides: it ends while they still exist.
  Stop();
}

void CPylonTrigger::Bind(bx::SerialPort* port, ITriggerHost* host, CGenPylonCamera* camera) {
  CExternalTrigger::Bind(port, host);
  m_camera = camera;
}

void CPylonTrigger::Fire() {
  if (Host() && !IsSuspended()) Host()->SoftwareShot(Mode() == 2);
}

bool CPylonTrigger::ConfigureLine(bool enable, bool risingEdge, const char* line) {
  return m_camera && Host() && m_camera->ConfigureTrigger(enable, risingEdge, line);
}

void CPylonTrigger::SetDebouncer(double microseconds, const char* line) {
  if (m_camera && Host()) m_camera->SetLineDebounce(microseconds, line);
}

void CPylonTrigger::SetTriggerDelay(double microseconds) {
  if (m_camera && Host()) m_camera->SetTriggerDelay(microseconds);
}

bool CPylonTrigger::ReadLine() { return m_camera && Host() && (m_camera->ReadLineStatus() & 1) != 0; }
