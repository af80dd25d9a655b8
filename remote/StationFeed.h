#pragma once

#include "remote/EventHub.h"
#include "remote/StationTally.h"

#include <cstdint>
#include <string>

class CxImage;

namespace remote {

// A photo's path as clients see it: below the photo root ("DatabasePath"),
// or only its name when it lies elsewhere. Clients never see or give full paths.
std::string PathBelowRoot(const std::string& file, const std::string& root);

// What the station hands the HTTP service while it runs: its events, its counts
// and its live frames. Every call returns at once: the shot path never waits
// for the service or its clients.
class StationFeed {
 public:
  EventHub& Events() { return m_events; }
  StationTally& Tally() { return m_tally; }
  const StationTally& Tally() const { return m_tally; }

  void PhotoSaved(int counter, const std::string& path, const std::string& operatorName, int film);
  void PhotoNotSaved(const std::string& reason);
  void StatusChanged(const std::string& status, const std::string& state, const std::string& reason);
  void CameraLost(const std::string& camera);
  void CameraFound(const std::string& camera);
  void ServiceChanged(bool inService, const std::string& reason);
  void RecordsWaiting(std::uint64_t waiting);
  void RecordsCaughtUp();
  void WatchdogRestartPending();

  // Each live frame as the station shows it; the preview stream takes from
  // here. The frame is the caller's: whatever is kept is copied before return.
  void OfferPreviewFrame(const CxImage& frame);

 private:
  EventHub m_events;
  StationTally m_tally;
};

}  // namespace remote
