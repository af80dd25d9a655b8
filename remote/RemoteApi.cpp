#include "remote/RemoteApi.h"

#include "remote/Authenticator.h"
#include "remote/IRemoteStation.h"
#include "remote/MetricsText.h"
#include "remote/StationFeed.h"
#include "pixlib/codecs/ThumbnailSection.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>

namespace remote {

using nlohmann::json;

namespace {

HttpResponse JsonAnswer(int status, const json& document) {
  HttpResponse response;
  response.status = status;
  response.body = document.dump() + "\n";
  return response;
}

std::string IsoTime(std::int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm utc{};
  ::gmtime_r(&time, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// A whole decimal number, nothing else.
std::optional<int> WholeNumber(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

HttpResponse Image(std::string bytes) {
  HttpResponse response;
  response.contentType = "image/jpeg";
  response.body = std::move(bytes);
  response.headers.emplace_back("Cache-Control", "no-store");
  return response;
}

std::string SseEvent(std::uint64_t id, const std::string& name, const std::string& data) {
  return (id ? "id: " + std::to_string(id) + "\n" : std::string()) + "event: " + name + "\ndata: " + data +
         "\n\n";
}

}  // namespace

RemoteApi::RemoteApi(IRemoteStation& station, StationFeed& feed, Authenticator& authenticator)
    : m_station(station), m_feed(feed), m_authenticator(authenticator) {}

void RemoteApi::AddRoutes(Router& router) {
  router.Add("GET", "/api/v1/status", [this](const HttpRequest&) { return Status(); });
  router.Add("POST", "/api/v1/shot", [this](const HttpRequest& request) { return Shot(request); });
  router.Add("POST", "/api/v1/preset/{n}", [this](const HttpRequest& request) { return Preset(request); });
  router.Add("PUT", "/api/v1/service", [this](const HttpRequest& request) { return Service(request); });
  router.Add(
      "POST", "/api/v1/session", [this](const HttpRequest& request) { return Session(request); },
      Router::Access::Open);
  router.Add("GET", "/api/v1/photos/last", [this](const HttpRequest&) { return LastPhoto(); });
  router.Add("GET", "/api/v1/photos/last/thumbnail", [this](const HttpRequest&) { return LastThumbnail(); });
  router.Add("GET", "/metrics", [this](const HttpRequest&) { return Metrics(); });
  router.AddStream("/api/v1/events", "text/event-stream",
                   [this](const HttpRequest&, StreamSink& sink) { Events(sink); });
}

std::string RemoteApi::StatusJson(const StationSnapshot& s) {
  json lastPhoto = nullptr;
  if (!s.lastPhotoPath.empty())
    lastPhoto = {
        {"counter", s.lastCounter}, {"path", s.lastPhotoPath}, {"savedAt", IsoTime(s.lastPhotoSavedAt)}};
  const json document = {
      {"status", s.status},
      {"state", s.state},
      {"reason", s.reason},
      {"inService", s.inService},
      {"serviceReason", s.serviceReason},
      {"camera",
       {{"connected", s.cameraConnected},
        {"model", s.cameraModel},
        {"serial", s.cameraSerial},
        {"transport", s.cameraTransport}}},
      {"liveMode", s.liveMode},
      {"preset", s.preset},
      {"presetName", s.presetName},
      {"operator", s.operatorName},
      {"filmNumber", s.filmNumber},
      {"lastCounter", s.lastCounter},
      {"lastPhoto", lastPhoto},
      {"photosToday", s.photosToday},
      {"photosSinceStart", s.photosSinceStart},
      {"failedSaves", s.failedSaves},
      {"recordsWaiting", s.recordsWaiting},
      {"ignoredTriggers", s.ignoredTriggers},
      {"triggerSource", s.triggerSource},
      {"uptimeSeconds", s.uptimeSeconds},
      {"version", s.version},
      {"instance", s.instance},
  };
  return document.dump();
}

HttpResponse RemoteApi::Status() const {
  HttpResponse response;
  response.body = StatusJson(m_station.Snapshot()) + "\n";
  return response;
}

HttpResponse RemoteApi::Shot(const HttpRequest& request) {
  std::optional<int> wait;
  if (const auto given = request.query.find("wait"); given != request.query.end()) {
    wait = WholeNumber(given->second);
    if (!wait || *wait < 1 || *wait > kMaxShotWaitSeconds)
      return HttpResponse::Error(
          400, "wait must be a whole number of seconds from 1 to " + std::to_string(kMaxShotWaitSeconds));
  }
  const std::uint64_t cursor = m_feed.Events().NextId();
  if (const std::string refusal = m_station.Shoot(); !refusal.empty())
    return HttpResponse::Error(409, refusal);
  if (!wait) return JsonAnswer(202, {{"accepted", true}});
  return AwaitPhoto(cursor, std::chrono::seconds(*wait));
}

HttpResponse RemoteApi::AwaitPhoto(std::uint64_t cursor, std::chrono::seconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (auto now = std::chrono::steady_clock::now(); now < deadline; now = std::chrono::steady_clock::now()) {
    const EventHub::Batch batch = m_feed.Events().WaitFrom(
        cursor, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now));
    for (const StationEvent& event : batch.events) {
      if (event.name == "photo-saved") {
        const json saved = json::parse(event.json);
        return JsonAnswer(200, {{"saved", true}, {"counter", saved["counter"]}, {"path", saved["path"]}});
      }
      if (event.name == "photo-not-saved")
        return HttpResponse::Error(
            500, "photo not saved: " + json::parse(event.json)["reason"].get<std::string>());
    }
    if (batch.closed) break;
  }
  return HttpResponse::Error(504, "no photo was saved within " + std::to_string(wait.count()) + " s");
}

HttpResponse RemoteApi::Preset(const HttpRequest& request) {
  const std::string& given = request.pathParams.at("n");
  const std::optional<int> preset = WholeNumber(given);
  if (!preset || !m_station.ApplyPreset(*preset)) return HttpResponse::Error(404, "no preset " + given);
  return JsonAnswer(200, {{"preset", *preset}});
}

HttpResponse RemoteApi::Service(const HttpRequest& request) {
  const json body = json::parse(request.body, nullptr, false);
  if (body.is_discarded() || !body.is_object())
    return HttpResponse::Error(400, "the body is not a JSON object");
  const auto inService = body.find("inService");
  if (inService == body.end() || !inService->is_boolean())
    return HttpResponse::Error(400, "\"inService\" must be true or false");
  const auto reason = body.find("reason");
  if (reason != body.end() && !reason->is_string())
    return HttpResponse::Error(400, "\"reason\" must be a text");
  const std::string why = reason != body.end() ? reason->get<std::string>() : "";
  m_station.SetInService(inService->get<bool>(), why);
  const StationSnapshot now = m_station.Snapshot();
  return JsonAnswer(200, {{"inService", now.inService}, {"reason", now.serviceReason}});
}

HttpResponse RemoteApi::Session(const HttpRequest& request) {
  if (!m_authenticator.Required()) return JsonAnswer(200, {{"authenticated", true}});
  const json body = json::parse(request.body, nullptr, false);
  if (body.is_discarded() || !body.is_object() || !body.contains("token") || !body["token"].is_string())
    return HttpResponse::Error(400, "the body must be {\"token\": \"...\"}");
  if (!m_authenticator.IsToken(body["token"].get<std::string>()))
    return HttpResponse::Error(401, "wrong token");
  HttpResponse response = JsonAnswer(200, {{"authenticated", true}});
  response.headers.emplace_back("Set-Cookie", m_authenticator.OpenSession());
  return response;
}

HttpResponse RemoteApi::LastPhoto() const {
  const StationSnapshot snapshot = m_station.Snapshot();
  std::ifstream file(snapshot.lastPhotoFile, std::ios::binary);
  if (snapshot.lastPhotoFile.empty() || !file) return HttpResponse::Error(404, "no photo saved yet");
  return Image(std::string(std::istreambuf_iterator<char>(file), {}));
}

HttpResponse RemoteApi::LastThumbnail() const {
  const StationSnapshot snapshot = m_station.Snapshot();
  if (snapshot.lastPhotoFile.empty()) return HttpResponse::Error(404, "no photo saved yet");
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(snapshot.lastPhotoFile.c_str(), "rb"),
                                                             &std::fclose);
  pixcodec::TrailerInfo info;
  pixcodec::ThumbnailRecord record;
  if (!file || !pixcodec::ReadTrailerInfo(file.get(), info) ||
      pixcodec::ReadThumbnailRecord(file.get(), info, record) != pixcodec::RecordStatus::Read ||
      record.jpeg.empty())
    return HttpResponse::Error(404, "the last photo has no thumbnail");
  return Image(std::string(record.jpeg.begin(), record.jpeg.end()));
}

HttpResponse RemoteApi::Metrics() const {
  HttpResponse response;
  response.contentType = "text/plain; version=0.0.4; charset=utf-8";
  response.body = MetricsText(m_station.Snapshot());
  return response;
}

void RemoteApi::Events(StreamSink& sink) {
  std::uint64_t cursor = m_feed.Events().NextId();
  if (!sink.Write("retry: 2000\n" + SseEvent(0, "status", StatusJson(m_station.Snapshot())))) return;
  while (!sink.Stopping()) {
    const EventHub::Batch batch = m_feed.Events().WaitFrom(cursor, kKeepAlive);
    if (batch.closed) return;
    std::string text;
    if (batch.missed) text += SseEvent(0, "events-missed", json{{"missed", batch.missed}}.dump());
    for (const StationEvent& event : batch.events) text += SseEvent(event.id, event.name, event.json);
    // A comment now and then finds a client that has gone.
    if (!sink.Write(text.empty() ? std::string(": keep-alive\n\n") : text)) return;
  }
}

}  // namespace remote
