#pragma once

class CGrabberApp;

// Options of a station run without a display.
struct HeadlessOptions {
  static constexpr int kUntilStopped = -1;
  int shots = 0;          // software shots to take, or kUntilStopped: run until SIGINT or SIGTERM
  int intervalMs = 1000;  // pause between shots
  int shotTimeoutMs = 10000;
};

// Runs the station core without a window: connects the camera, takes the shots
// (or waits for a stop signal), then shuts the core down. Returns the process's
// exit code: 0, or 1 when the station could not start or not every shot saved
// its photo.
int RunHeadless(CGrabberApp& app, const HeadlessOptions& options);
