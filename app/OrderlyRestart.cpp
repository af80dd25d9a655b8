#include "app/OrderlyRestart.h"

#include <exception>

#include "platform/LogTrace.h"
#include "platform/ProgramRestart.h"
#include "platform/ThreadName.h"

OrderlyRestart::OrderlyRestart(bx::ProgramRestart& restart, std::chrono::milliseconds stopLimit)
    : m_restart(restart), m_stopLimit(stopLimit) {}

OrderlyRestart::~OrderlyRestart() {
  if (m_restartThread.joinable()) m_restartThread.join();
  if (m_stopThread.joinable()) m_stopThread.join();
}

void OrderlyRestart::SetStop(std::function<void()> stop) {
  std::lock_guard lock(m_stopLock);
  m_stop = std::move(stop);
}

void OrderlyRestart::Request() {
  std::call_once(m_requested, [this] { m_restartThread = std::thread(&OrderlyRestart::Run, this); });
}

// A stop that hangs (the watchdog restarts because a thread hangs) delays the
// restart by the limit only: exec ends every thread, hung or not.
void OrderlyRestart::Run() {
  bx::NameThisThread("bx-restart");
  TheLog().WriteLine("Restart: stopping the station");
  m_stopThread = std::thread(&OrderlyRestart::RunStop, this);
  if (!m_stopped.Wait(static_cast<std::uint32_t>(m_stopLimit.count())))
    TheLog().WriteLine("Restart: the station did not stop within " + std::to_string(m_stopLimit.count()) +
                       " ms; restarting all the same");
  TheLog().WriteLine("Restart: starting the program again");
  m_restart.Restart();
}

void OrderlyRestart::RunStop() {
  bx::NameThisThread("bx-restart-stop");
  {
    std::lock_guard lock(m_stopLock);
    try {
      if (m_stop) m_stop();
    } catch (const std::exception& error) {
      TheLog().WriteLine(std::string("Restart: stopping the station failed: ") + error.what());
    }
  }
  m_stopped.Set();
}
