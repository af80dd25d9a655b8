#include "app/counter/CounterCommandHandler.h"

#include <cstdint>
#include <limits>
#include <mutex>

#include "platform/LogTrace.h"
#include "app/counter/CounterLock.h"
#include "app/counter/CounterSettingNames.h"
#include "app/counter/StoredCounter.h"
#include "platform/MachinePower.h"
#include "platform/OleDateTime.h"

namespace {

// Shut down, forcing programs closed.
constexpr int kForcedShutdown = 0;

// The one lock of the service: counter access and the payload handler.
std::mutex& ServerLock() { return CounterLock(); }

CounterPayloadHandler& InstalledPayloadHandler() {
  static CounterPayloadHandler handler;
  return handler;
}

}  // namespace

void CounterCommandHandler::SetPayloadHandler(CounterPayloadHandler handler) {
  std::lock_guard lock(ServerLock());
  InstalledPayloadHandler() = std::move(handler);
}

bool CounterCommandHandler::Perform(CounterMessage& message, const CounterPeer& peer) {
  const bool allocation = message.Code() == static_cast<std::uint8_t>(CounterCommand::Allocate);
  if (!(allocation ? Allocate(message) : PerformUnderLock(message, peer))) return false;
  message.SetCode(kCounterReplyMark);
  return true;
}

bool CounterCommandHandler::PerformUnderLock(CounterMessage& message, const CounterPeer& peer) {
  std::lock_guard lock(ServerLock());
  switch (static_cast<CounterCommand>(message.Code())) {
    case CounterCommand::GetNumber: {
      const std::optional<int> next = ReadStoredCounter(m_settings, 0);
      if (!next) return false;
      message.SetValue(*next);
      break;
    }
    case CounterCommand::Allocate:  // committed in groups by Allocate
      break;
    case CounterCommand::SetNumber:
      if (!Permitted("set the counter to " + std::to_string(message.Value()), peer) ||
          !m_settings.WriteProfileInt(kFilmSettings, kNextFilmNumber, message.Value()))
        return false;
      break;
    case CounterCommand::GetTime:
      message.SetDate(bx::OleDateTime::Now().Value());
      break;
    case CounterCommand::Shutdown:
      if (!Permitted("power off", peer)) return false;
      m_power.Shutdown(kForcedShutdown);
      break;
    case CounterCommand::Exchange:
      TheLog().WriteLine("Counter: preset request " + std::to_string(message.Value()) + " from " +
                         peer.address);
      if (InstalledPayloadHandler()) InstalledPayloadHandler()(message.Payload());
      break;
  }
  return true;
}

// Logs a control request with the peer's address; false when the peer may not control.
bool CounterCommandHandler::Permitted(const std::string& request, const CounterPeer& peer) {
  TheLog().WriteLine("Counter: request to " + request + " from " + peer.address +
                     (peer.mayControl ? "" : " refused: not an allowed client"));
  return peer.mayControl;
}

bool CounterCommandHandler::Allocate(CounterMessage& message) {
  PendingAllocation allocation;
  allocation.count = message.Value();
  // A count below one would hand out a number again or rewind the counter.
  if (allocation.count < 1) return false;
  m_allocations.Submit(allocation, [this](const std::vector<PendingAllocation*>& batch) {
    std::lock_guard lock(ServerLock());
    CommitAllocations(batch);
  });
  if (allocation.granted) message.SetValue(allocation.first);
  return allocation.granted;
}

// Hands out consecutive ranges from "Next Film Number" and stores the new
// value once; a number handed out must survive a crash, so nothing is granted
// unless the store was written.
void CounterCommandHandler::CommitAllocations(const std::vector<PendingAllocation*>& batch) {
  const std::optional<int> stored = ReadStoredCounter(m_settings, 0);
  if (!stored) return;
  std::int64_t next = *stored;
  for (PendingAllocation* allocation : batch) {
    const std::int64_t after = next + allocation->count;
    if (after > std::numeric_limits<std::int32_t>::max() ||
        after < std::numeric_limits<std::int32_t>::min())
      continue;  // would overflow the counter: refused
    allocation->first = static_cast<std::int32_t>(next);
    allocation->granted = true;
    next = after;
  }
  if (m_settings.WriteProfileInt(kFilmSettings, kNextFilmNumber, static_cast<int>(next))) return;
  for (PendingAllocation* allocation : batch) allocation->granted = false;
}
