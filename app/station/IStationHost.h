#pragma once

#include "app/station/ShownImage.h"

#include <string>

class CxImage;

// What the station core shows: the main window implements it with Qt, the
// headless runner by logging. Calls come from the processing thread, the grab
// thread and the timer thread, so implementations must be thread-safe.
class IStationHost {
 public:
  virtual ~IStationHost() = default;

  // "WM_NEW_IMAGE": the processed image after each frame. Blocking: when it
  // returns the host has taken what it shows, so the core may overwrite the image.
  // `about` says whether it is a saved photo, a photo that was not saved, or a set-up frame.
  virtual void ShowOutputImage(const CxImage& image, const ShownImage& about) = 0;
  // A live-mode preview frame for the control page's pane (grab thread).
  virtual void ShowPreview(const CxImage& preview) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  // The pages re-read the core's variables (status, saved count, connection).
  virtual void RefreshPages() = 0;
  // "WM_ACTIVE_PRESET": the control page reloads its preset box.
  virtual void ActivePresetChanged(int preset) = 0;
  virtual bool IsShiftHeld() const = 0;
};
