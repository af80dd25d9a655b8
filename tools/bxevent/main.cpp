// bxevent set|reset|pulse|wait NAME [--timeout MS]
// Drives a named event shared with the station, e.g. "BXRiseEvent" and "BXFallEvent".
// Exit codes: 0 done (wait: signalled), 1 wait timed out, 2 usage error, 3 event unavailable.
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/NamedEvent.h"

namespace {

constexpr int kDone = 0;
constexpr int kTimedOut = 1;
constexpr int kUsage = 2;
constexpr int kUnavailable = 3;

constexpr char kUsageText[] =
    "usage: bxevent set|reset|pulse|wait NAME [--timeout MS]\n"
    "\n"
    "Drives a named event shared with the station (\"BXRiseEvent\", \"BXFallEvent\").\n"
    "\n"
    "An edge by hand: pulse BXRiseEvent, then pulse BXFallEvent. A pulse reaches only a\n"
    "station waiting for that event at that moment; nothing of it is kept for later.\n"
    "set keeps the event until the station takes it: setting it again before then is\n"
    "still one edge, and a rise set while the station waits for the fall makes a shot\n"
    "right after the next fall. reset withdraws an event not yet taken.\n"
    "\n"
    "Exit codes: 0 done (wait: signalled), 1 wait timed out, 2 usage, 3 event unavailable.\n";

int Usage() {
  std::cerr << kUsageText;
  return kUsage;
}

bool ParseTimeout(const std::string& text, uint32_t& timeoutMs) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || text[0] == '-' || value >= bx::Event::kInfinite) return false;
  timeoutMs = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kUsageText;
    return kDone;
  }
  if (argc != 3 && argc != 5) return Usage();
  const std::string action = argv[1];
  const std::string name = argv[2];
  uint32_t timeoutMs = bx::Event::kInfinite;
  if (argc == 5 && (std::string(argv[3]) != "--timeout" || !ParseTimeout(argv[4], timeoutMs))) return Usage();
  if (name.empty() || (action != "set" && action != "reset" && action != "pulse" && action != "wait"))
    return Usage();

  bx::NamedEvent event(name);
  if (!event.IsOpen()) {
    std::cerr << "bxevent: cannot open event " << name << "\n";
    return kUnavailable;
  }
  if (action == "set") return event.Set() ? kDone : kUnavailable;
  if (action == "reset") return event.Reset() ? kDone : kUnavailable;
  if (action == "pulse") return event.Pulse() ? kDone : kUnavailable;
  switch (event.Wait(timeoutMs)) {
    case bx::NamedEvent::WaitResult::Signalled:
      return kDone;
    case bx::NamedEvent::WaitResult::Timeout:
      return kTimedOut;
    default:
      return kUnavailable;
  }
}
