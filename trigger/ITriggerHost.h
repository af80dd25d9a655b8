#pragma once
// What the trigger engine needs of the station that owns it.
class ITriggerHost {
 public:
  virtual ~ITriggerHost() = default;
  // Takes one picture; `flag` asks for the output pulse of trigger mode 2.
  virtual void SoftwareShot(bool flag) = 0;
  virtual void SetLiveMode(bool on) = 0;
  virtual bool IsLiveMode() const = 0;
};
