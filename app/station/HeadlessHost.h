#pragma once

#include "app/station/IStationHost.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// The window of a station without a display: it reports what the window would
// show as lines of text and lets the runner wait for processed images.
class HeadlessHost : public IStationHost {
 public:
  using Reporter = std::function<void(const std::string&)>;
  using StatusQuery = std::function<std::string()>;

  explicit HeadlessHost(Reporter report);

  // Describes the control page's status in the report of each image.
  void SetStatusQuery(StatusQuery status) { m_status = std::move(status); }
  // True when `count` images have been shown within the time-out.
  bool WaitForImages(int count, std::chrono::milliseconds timeout);
  int ImagesShown() const;

  void ShowOutputImage(const CxImage& image, const ShownImage& about) override;
  void ShowPreview(const CxImage& preview) override;
  void SetTitle(const std::string& title) override;
  void RefreshPages() override {}
  void ActivePresetChanged(int preset) override;
  bool IsShiftHeld() const override { return false; }

 private:
  Reporter m_report;
  StatusQuery m_status;
  mutable std::mutex m_lock;
  std::condition_variable m_shown;
  int m_imagesShown = 0;
  std::string m_title;  // each reconnect attempt sets the same title again
};
