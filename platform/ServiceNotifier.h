#pragma once

#include <chrono>

namespace bx {

// Tells the service manager that started the program how it is doing
// (systemd's notification socket, $NOTIFY_SOCKET). Without a service manager
// every call does nothing.
class ServiceNotifier {
 public:
  // Whether a service manager listens.
  static bool IsListening();
  // The period within which the service manager wants a watchdog ping, or zero
  // when it watches nothing ($WATCHDOG_USEC, for this process).
  static std::chrono::milliseconds WatchdogPeriod();

  // The program has started: the service manager counts it as running.
  static void Ready();
  // The program is alive and its threads are making progress.
  static void WatchdogPing();
  // The program is shutting down of its own accord.
  static void Stopping();
};

}  // namespace bx
