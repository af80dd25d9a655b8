#include "remote/MetricsText.h"

#include <charconv>

namespace remote {

namespace {

// Locale-free, shortest form that reads back the same.
std::string Number(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string LabelValue(const std::string& value) {
  std::string escaped;
  for (const char c : value) {
    if (c == '\\' || c == '"') escaped += '\\';
    if (c == '\n')
      escaped += "\\n";
    else
      escaped += c;
  }
  return escaped;
}

class Exposition {
 public:
  void Family(const char* name, const char* type, const char* help) {
    m_text += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
  }
  void Sample(const std::string& name, double value, const std::string& labels = "") {
    m_text += name + (labels.empty() ? "" : "{" + labels + "}") + " " + Number(value) + "\n";
  }
  void One(const char* name, const char* type, const char* help, double value) {
    Family(name, type, help);
    Sample(name, value);
  }
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
};

}  // namespace

std::string MetricsText(const StationSnapshot& s) {
  Exposition out;
  out.One("bx_photos_saved_total", "counter", "Photos saved since the station started.",
          static_cast<double>(s.photosSinceStart));
  out.One("bx_failed_saves_total", "counter", "Captured photos that could not be saved.",
          static_cast<double>(s.failedSaves));
  out.Family("bx_shot_to_disk_seconds", "histogram", "Time from a frame's arrival to its photo on disk.");
  const ShotTimeHistogram& h = s.shotToDisk;
  for (std::size_t i = 0; i < h.kBounds.size(); ++i)
    out.Sample("bx_shot_to_disk_seconds_bucket", static_cast<double>(h.cumulative[i]),
               "le=\"" + Number(h.kBounds[i]) + "\"");
  out.Sample("bx_shot_to_disk_seconds_bucket", static_cast<double>(h.count), "le=\"+Inf\"");
  out.Sample("bx_shot_to_disk_seconds_sum", h.sumSeconds);
  out.Sample("bx_shot_to_disk_seconds_count", static_cast<double>(h.count));
  out.One("bx_records_waiting", "gauge", "Photo records waiting for the database.",
          static_cast<double>(s.recordsWaiting));
  out.One("bx_camera_connected", "gauge", "1 while the camera is connected and grabbing.",
          s.cameraConnected ? 1 : 0);
  out.One("bx_camera_reconnects_total", "counter", "Times the camera came back after it was lost.",
          static_cast<double>(s.cameraReconnects));
  out.Family("bx_trigger_edges_total", "counter", "Shots asked for, by trigger source.");
  for (const auto& [source, count] : s.triggersBySource)
    out.Sample("bx_trigger_edges_total", static_cast<double>(count), "source=\"" + LabelValue(source) + "\"");
  out.One("bx_ignored_triggers_total", "counter", "Shots ignored while the station was out of service.",
          static_cast<double>(s.ignoredTriggers));
  out.One("bx_in_service", "gauge", "1 while the station is in service.", s.inService ? 1 : 0);
  out.One("bx_watchdog_restarts_total", "counter", "Restarts the station's watchdog asked for.",
          static_cast<double>(s.watchdogRestarts));
  out.One("bx_process_start_time_seconds", "gauge", "Start time of the process since the epoch, in seconds.",
          static_cast<double>(s.startTime));
  return out.Text();
}

}  // namespace remote
