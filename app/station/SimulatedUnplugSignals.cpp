#include "app/station/SimulatedUnplugSignals.h"

#include "platform/LogTrace.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <chrono>
#include <csignal>

namespace {

enum Request : int { kNone, kUnplug, kReplug };

std::atomic<int> g_request{kNone};

void OnSignal(int signal) { g_request = signal == SIGUSR1 ? kUnplug : kReplug; }

void Apply(int request) {
  Pylon::CSimulator& simulator = Pylon::CTlFactory::GetInstance().Simulator();
  for (const std::string& serial : simulator.Serials()) {
    TheLog().WriteLine("Simulated camera " + serial + (request == kUnplug ? " unplugged" : " plugged in") +
                       " on request");
    if (request == kUnplug)
      simulator.Unplug(serial);
    else
      simulator.Replug(serial);
  }
}

}  // namespace

SimulatedUnplugSignals::SimulatedUnplugSignals() {
  std::signal(SIGUSR1, OnSignal);
  std::signal(SIGUSR2, OnSignal);
  m_thread = std::thread([this] { Run(); });
}

SimulatedUnplugSignals::~SimulatedUnplugSignals() {
  m_stop = true;
  m_thread.join();
  // A late request must not end a station that is finishing.
  std::signal(SIGUSR1, SIG_IGN);
  std::signal(SIGUSR2, SIG_IGN);
}

void SimulatedUnplugSignals::Run() {
  while (!m_stop) {
    if (const int request = g_request.exchange(kNone); request != kNone) Apply(request);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}
