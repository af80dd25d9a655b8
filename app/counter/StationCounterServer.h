#pragma once

#include <mutex>
#include <string>

#include "app/counter/CRemoteCounterServer.h"
#include "app/counter/CounterSettings.h"
#include "app/counter/PresetExchange.h"

// The film-number server a station runs: it counts in the station's own
// settings and hands the preset command to the main window once that window
// has registered itself.
class StationCounterServer {
 public:
  StationCounterServer(CGrabberApp& app, const std::string& suffix, bx::MachinePower& power);
  ~StationCounterServer();
  StationCounterServer(const StationCounterServer&) = delete;
  StationCounterServer& operator=(const StationCounterServer&) = delete;

  bool IsServing() const { return m_server.Port().has_value(); }
  // The main window, or null when it goes away. Returns once no preset
  // command runs on the previous host any more.
  void SetPresetHost(IPresetHost* host);

 private:
  static CounterServerOptions OptionsFor(ICounterSettings& settings);

  AppCounterSettings m_settings;
  // Held while a preset command runs on the host.
  std::mutex m_presetLock;
  IPresetHost* m_presetHost = nullptr;
  CRemoteCounterServer m_server;
};
