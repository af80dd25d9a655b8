#pragma once

#include "remote/Router.h"
#include "remote/StationSnapshot.h"

#include <chrono>
#include <string>

namespace remote {

class Authenticator;
class IRemoteStation;
class StationFeed;

// The JSON API, the event stream, the last photo and the metrics, added to a
// router. docs/remote.md is the contract.
class RemoteApi {
 public:
  static constexpr int kMaxShotWaitSeconds = 30;
  static constexpr std::chrono::seconds kKeepAlive{5};

  RemoteApi(IRemoteStation& station, StationFeed& feed, Authenticator& authenticator);
  void AddRoutes(Router& router);

  // The status document of GET /api/v1/status, also the event stream's first event.
  static std::string StatusJson(const StationSnapshot& snapshot);

 private:
  HttpResponse Status() const;
  HttpResponse Shot(const HttpRequest& request);
  HttpResponse Preset(const HttpRequest& request);
  HttpResponse Service(const HttpRequest& request);
  HttpResponse Session(const HttpRequest& request);
  HttpResponse LastPhoto() const;
  HttpResponse LastThumbnail() const;
  HttpResponse Metrics() const;
  void Events(StreamSink& sink);
  // Waits for the first photo saved or refused after event `cursor`; 504 after `wait`.
  HttpResponse AwaitPhoto(std::uint64_t cursor, std::chrono::seconds wait);

  IRemoteStation& m_station;
  StationFeed& m_feed;
  Authenticator& m_authenticator;
};

}  // namespace remote
