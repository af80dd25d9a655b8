#pragma once

#include "app/station/CGrabberDlg.h"
#include "remote/IRemoteStation.h"

// The station as its HTTP service reaches it.
class StationRemoteHost final : public remote::IRemoteStation {
 public:
  explicit StationRemoteHost(CGrabberDlg& station) : m_station(station) {}
  remote::StationSnapshot Snapshot() const override { return m_station.RemoteSnapshot(); }
  std::string Shoot() override { return m_station.RemoteShot(); }
  // Through the film-number service's preset path: applied on the station's own thread.
  bool ApplyPreset(int preset) override {
    if (preset < CGrabberDlg::PresetNormal || preset > CGrabberDlg::PresetHighLight) return false;
    m_station.RequestPreset(preset);
    return true;
  }
  void SetInService(bool inService, const std::string& reason) override {
    m_station.SetInService(inService, reason);
  }

 private:
  CGrabberDlg& m_station;
};
