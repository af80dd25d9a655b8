#include "platform/ServiceNotifier.h"

#include <systemd/sd-daemon.h>

#include <cstdint>
#include <cstdlib>

namespace bx {

bool ServiceNotifier::IsListening() {
  const char* socket = std::getenv("NOTIFY_SOCKET");
  return socket != nullptr && *socket != '\0';
}

std::chrono::milliseconds ServiceNotifier::WatchdogPeriod() {
  uint64_t microseconds = 0;
  if (sd_watchdog_enabled(0, &microseconds) <= 0) return std::chrono::milliseconds(0);
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::microseconds(microseconds));
}

void ServiceNotifier::Ready() { sd_notify(0, "READY=1"); }

void ServiceNotifier::WatchdogPing() { sd_notify(0, "WATCHDOG=1"); }

void ServiceNotifier::Stopping() { sd_notify(0, "STOPPING=1"); }

}  // namespace bx
