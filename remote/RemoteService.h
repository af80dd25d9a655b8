#pragma once

#include "remote/Authenticator.h"
#include "remote/RemoteApi.h"
#include "remote/RemoteSettings.h"
#include "remote/Router.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace remote {

class IRemoteStation;
class RemoteServer;
class StationFeed;

// The station's HTTP service: the API's routes on a server listening as the
// settings say, and a watcher that turns changes of the station's status into
// events. A service that cannot start says why in the log; the station runs on.
class RemoteService {
 public:
  using Log = std::function<void(const std::string&)>;
  static constexpr std::chrono::milliseconds kStatusPollPeriod{200};

  RemoteService(IRemoteStation& station, StationFeed& feed, RemoteSettings settings, Log log);
  ~RemoteService();
  RemoteService(const RemoteService&) = delete;
  RemoteService& operator=(const RemoteService&) = delete;

  // More routes (the status page, the preview) go here before Start.
  Router& Routes() { return m_router; }
  // Listens; false (and logged) when disabled, refused by the settings or the port is taken.
  bool Start();
  // Ends the streams, the connections and the watcher; waits for them.
  void Stop();
  // The port listened on, 0 when not running.
  int Port() const;

 private:
  void WatchStatus();

  IRemoteStation& m_station;
  StationFeed& m_feed;
  const RemoteSettings m_settings;
  Log m_log;
  Authenticator m_authenticator;
  RemoteApi m_api;
  Router m_router;
  std::unique_ptr<RemoteServer> m_server;
  std::mutex m_watchLock;
  std::condition_variable m_watchWake;
  bool m_stopping = false;
  std::thread m_watcher;
};

}  // namespace remote
