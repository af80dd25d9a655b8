#include "app/counter/StationCounterServer.h"

#include "platform/LogTrace.h"
#include "app/counter/CounterSettingNames.h"

StationCounterServer::StationCounterServer(CGrabberApp& app, const std::string& suffix,
                                           bx::MachinePower& power)
    : m_settings(app), m_server(suffix.c_str(), m_settings, power, OptionsFor(m_settings)) {
  CRemoteCounterServer::SetPayloadHandler(MakePresetPayloadHandler([this](const PresetCall& call) {
    std::lock_guard lock(m_presetLock);
    if (m_presetHost != nullptr) call(*m_presetHost);
  }));
}

void StationCounterServer::SetPresetHost(IPresetHost* host) {
  std::lock_guard lock(m_presetLock);
  m_presetHost = host;
}

StationCounterServer::~StationCounterServer() { CRemoteCounterServer::SetPayloadHandler({}); }

CounterServerOptions StationCounterServer::OptionsFor(ICounterSettings& settings) {
  CounterServerOptions options;
  options.basePort = settings.GetProfileInt(kDatabaseSettings, kCounterPort, kDefaultCounterPort);
  options.listenAddress = settings.GetProfileString(kDatabaseSettings, kCounterListenAddress, "");
  std::vector<std::string> unusable;
  options.allowedClients = CounterAccessList::Parse(
      settings.GetProfileString(kDatabaseSettings, kCounterAllowedClients, ""), &unusable);
  for (const std::string& entry : unusable)
    TheLog().WriteLine("\"Counter Allowed Clients\": \"" + entry +
                       "\" is no host, address or range: left out");
  return options;
}
