// How the trigger thread waits for one edge of each source.
#include "trigger/CExternalTrigger.h"

#include "platform/SerialPort.h"

#include <algorithm>

namespace {

// Without a port or with a line polled every 0 ms the thread still sleeps this long.
constexpr uint32_t kIdleWaitMs = 50;
constexpr int kMinLinePollMs = 1;
constexpr uint32_t kSuspendedLinePollMs = 500;

}  // namespace

std::optional<bool> CExternalTrigger::WaitEdge(int source, bool level) {
  switch (source) {
    case SourceNamedEvents:
    case SourceVideo:
      return WaitNamedEdge(level);
    case SourceCameraLine:
      return WaitLineEdge();
    default:
      return WaitSerialEdge(level);
  }
}

std::optional<bool> CExternalTrigger::WaitSerialEdge(bool level) {
  if (!m_port || m_port->WaitForDsrChange(m_stop) != bx::SerialPort::WaitResult::Changed) {
    StopRequestedWithin(kIdleWaitMs);
    return std::nullopt;
  }
  // Every change the port reports is one edge, even when the line has already
  // moved back by the time it is read.
  const bool now = m_port->Dsr().value_or(!level);
  const bool high = now != level ? now : !level;
  return m_stop.IsSet() ? std::nullopt : std::optional<bool>(high);
}

std::optional<bool> CExternalTrigger::WaitNamedEdge(bool level) {
  bx::NamedEvent& awaited = level ? m_fallEvent : m_riseEvent;
  if (awaited.Wait(bx::Event::kInfinite, &m_stop) != bx::NamedEvent::WaitResult::Signalled)
    return std::nullopt;
  // The event is manual-reset: consume it, or every later wait returns at once.
  awaited.Reset();
  return !level;
}

std::optional<bool> CExternalTrigger::WaitLineEdge() {
  if (m_suspended && StopRequestedWithin(kSuspendedLinePollMs)) return std::nullopt;
  const auto poll = static_cast<uint32_t>(std::max<int>(kMinLinePollMs, GetSettings().linePollMs));
  while (!m_suspended && ReadLine() == m_lineState) {
    if (StopRequestedWithin(poll)) return std::nullopt;
  }
  if (m_suspended) return std::nullopt;
  m_lineState = !m_lineState;
  return m_lineState;
}

void CExternalTrigger::MirrorLevel(bool high) {
  if (high) {
    m_fallEvent.Reset();
    m_riseEvent.Set();
  } else {
    m_riseEvent.Reset();
    m_fallEvent.Set();
  }
}
