#pragma once
// The trigger engine bound to the station's camera: shots go to the station,
// the line, debouncer, delay and line status to the camera. Detached (no
// station or camera bound) it releases nothing and reads every line as low.
#include "trigger/CExternalTrigger.h"

class CGenPylonCamera;

class CPylonTrigger : public CExternalTrigger {
 public:
  using CExternalTrigger::CExternalTrigger;
  ~CPylonTrigger() override;

  void Bind(bx::SerialPort* port, ITriggerHost* host, CGenPylonCamera* camera);

  void Fire() override;
  bool ConfigureLine(bool enable, bool risingEdge, const char* line) override;
  void SetDebouncer(double microseconds, const char* line) override;
  void SetTriggerDelay(double microseconds) override;
  bool ReadLine() override;

 private:
  CGenPylonCamera* m_camera = nullptr;
};
