#pragma once

#include "app/station/IStationHost.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// A host that keeps what the window would have shown, for the core's tests.
class RecordingHost : public IStationHost {
 public:
  struct Shown {
    int width = 0;
    int height = 0;
    double meanGreen = 0;  // of a three-channel image
    ShownImage about;
  };

  void ShowOutputImage(const CxImage& image, const ShownImage& about) override;
  void ShowPreview(const CxImage& preview) override;
  void SetTitle(const std::string& title) override;
  void RefreshPages() override {}
  void ActivePresetChanged(int preset) override;
  bool IsShiftHeld() const override { return false; }

  // True when at least `count` output images (or previews) arrived in time.
  bool WaitForImages(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  bool WaitForPreviews(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  std::vector<Shown> Images() const;
  // The last preview's pixels, top row of memory first, 3 bytes per pixel.
  std::vector<unsigned char> LastPreview(Shown& size) const;
  std::string Title() const;
  int LastPreset() const;

 private:
  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<Shown> m_images;
  size_t m_previews = 0;
  Shown m_previewSize;
  std::vector<unsigned char> m_preview;
  std::string m_title;
  int m_preset = -1;
};
