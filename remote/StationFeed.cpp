#include "remote/StationFeed.h"

#include <nlohmann/json.hpp>

namespace remote {

using nlohmann::json;

std::string PathBelowRoot(const std::string& file, const std::string& root) {
  if (root.empty() || file.compare(0, root.size(), root) != 0) return file.substr(file.rfind('/') + 1);
  std::string below = file.substr(root.size());
  while (!below.empty() && below.front() == '/') below.erase(0, 1);
  return below;
}

void StationFeed::PhotoSaved(int counter, const std::string& path, const std::string& operatorName,
                             int film) {
  m_events.Publish(
      "photo-saved",
      json{{"counter", counter}, {"path", path}, {"operator", operatorName}, {"film", film}}.dump());
}

void StationFeed::PhotoNotSaved(const std::string& reason) {
  m_events.Publish("photo-not-saved", json{{"reason", reason}}.dump());
}

void StationFeed::StatusChanged(const std::string& status, const std::string& state,
                                const std::string& reason) {
  m_events.Publish("status-changed", json{{"status", status}, {"state", state}, {"reason", reason}}.dump());
}

void StationFeed::CameraLost(const std::string& camera) {
  m_events.Publish("camera-lost", json{{"camera", camera}}.dump());
}

void StationFeed::CameraFound(const std::string& camera) {
  m_events.Publish("camera-found", json{{"camera", camera}}.dump());
}

void StationFeed::ServiceChanged(bool inService, const std::string& reason) {
  m_events.Publish("service-changed", json{{"inService", inService}, {"reason", reason}}.dump());
}

void StationFeed::RecordsWaiting(std::uint64_t waiting) {
  m_events.Publish("records-waiting", json{{"recordsWaiting", waiting}}.dump());
}

void StationFeed::RecordsCaughtUp() {
  m_events.Publish("records-caught-up", json{{"recordsWaiting", 0}}.dump());
}

void StationFeed::WatchdogRestartPending() { m_events.Publish("watchdog-restart-pending", "{}"); }

void StationFeed::OfferPreviewFrame(const CxImage&) {}

}  // namespace remote
