#include "remote/RemoteService.h"

#include "remote/IRemoteStation.h"
#include "remote/RemoteServer.h"
#include "remote/StationFeed.h"
#include "platform/ThreadName.h"

namespace remote {

RemoteService::RemoteService(IRemoteStation& station, StationFeed& feed, RemoteSettings settings, Log log)
    : m_station(station),
      m_feed(feed),
      m_settings(std::move(settings)),
      m_log(std::move(log)),
      m_authenticator(m_settings.token),
      m_api(station, feed, m_authenticator) {
  m_api.AddRoutes(m_router);
}

RemoteService::~RemoteService() { Stop(); }

bool RemoteService::Start() {
  if (!m_settings.enabled) {
    m_log("Remote service off (\"Enabled\" is 0 in \"" + std::string(RemoteSettings::kSection) + "\")");
    return false;
  }
  if (const std::string refusal = m_settings.Refusal(); !refusal.empty()) {
    m_log("Remote service not started: " + refusal);
    return false;
  }
  m_server = std::make_unique<RemoteServer>(m_router, m_authenticator, RemoteServer::Limits{}, m_log);
  if (!m_server->Start(m_settings.listenAddress, m_settings.port)) {
    m_server.reset();
    return false;
  }
  m_log("Remote service on http://" + m_settings.listenAddress + ":" + std::to_string(m_server->Port()) +
        (m_authenticator.Required() ? " (token required)" : ""));
  m_watcher = std::thread([this] { WatchStatus(); });
  return true;
}

void RemoteService::Stop() {
  if (!m_server) return;  // never started: its clients and the station's events are untouched
  {
    std::lock_guard lock(m_watchLock);
    m_stopping = true;
  }
  m_watchWake.notify_all();
  if (m_watcher.joinable()) m_watcher.join();
  m_feed.Events().Close();
  m_server->Stop();
}

int RemoteService::Port() const { return m_server ? m_server->Port() : 0; }

void RemoteService::WatchStatus() {
  bx::NameThisThread("bx-remote-watch");
  StationSnapshot last = m_station.Snapshot();
  std::unique_lock lock(m_watchLock);
  while (!m_watchWake.wait_for(lock, kStatusPollPeriod, [this] { return m_stopping; })) {
    lock.unlock();
    const StationSnapshot now = m_station.Snapshot();
    if (now.status != last.status || now.state != last.state || now.reason != last.reason)
      m_feed.StatusChanged(now.status, now.state, now.reason);
    last = now;
    lock.lock();
  }
}

}  // namespace remote
