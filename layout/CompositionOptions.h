#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace bx {
class ProfileStore;
}

// What a composition takes from outside the layout: the load settings, read
// anew for every rendering, and the clock the caption's date codes use.
struct CompositionOptions {
  bool useEmbeddedProfile = true;  // "Use Embedded Profile": convert loads to the target profile
  bool forceResize = true;         // "Force Resize": reduced loads fit the requested size
  std::function<std::time_t()> clock = [] { return std::time(nullptr); };
  // Told of every layer left out because its image does not load: the layer
  // ("photo", "background", "foreground", "icon 2"), its file and the reason.
  std::function<void(const std::string& layer, const std::string& path, const std::string& reason)>
      layerLeftOut;

  // The "General Settings" of the store, with the system clock.
  static CompositionOptions Read(const bx::ProfileStore& store);
};

// The caption for a text at a time: a single trailing "%" is dropped, then the
// strftime codes are filled in from local time. "Invalid DateTime" when the
// time cannot be converted.
std::string FormatCaption(const std::string& text, std::time_t now);
