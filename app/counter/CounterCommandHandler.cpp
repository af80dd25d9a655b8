#include "app/counter/CounterCommandHandler.h"

#include <cstdint>
#include <limits>
#include <mutex>

#include "platform/LogTrace.h"
#include "app/counter/CounterLock.h"
#include "app/counter/CounterRights.h"
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
  const bool refused = !peer.listed && !IsOpenToEveryone(message);
  LogRequest(message, peer, refused);
  if (refused) return false;
  const bool allocation = message.Code() == static_cast<std::uint8_t>(CounterCommand::Allocate);
  if (!(allocation ? Allocate(message, peer) : PerformUnderLock(message))) return false;
  message.SetCode(kCounterReplyMark);
  return true;
}

bool CounterCommandHandler::PerformUnderLock(CounterMessage& message) {
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
      if (!m_settings.WriteProfileInt(kFilmSettings, kNextFilmNumber, message.Value())) return false;
      break;
    case CounterCommand::GetTime:
      message.SetDate(bx::OleDateTime::Now().Value());
      break;
    case CounterCommand::Shutdown:
      m_power.Shutdown(kForcedShutdown);
      break;
    case CounterCommand::Exchange:
      if (InstalledPayloadHandler()) InstalledPayloadHandler()(message.Payload());
      break;
  }
  return true;
}

// Logs what changes the station, and every refused request, with the peer's address.
void CounterCommandHandler::LogRequest(const CounterMessage& message, const CounterPeer& peer, bool refused) {
  const std::string value = std::to_string(message.Value());
  std::string request;
  switch (static_cast<CounterCommand>(message.Code())) {
    case CounterCommand::GetNumber:
    case CounterCommand::Allocate:
    case CounterCommand::GetTime:
      break;
    case CounterCommand::SetNumber:
      request = "request to set the counter to " + value;
      break;
    case CounterCommand::Shutdown:
      request = "request to power off";
      break;
    case CounterCommand::Exchange:
      request = "preset request " + value;
      break;
    default:
      request = "request " + std::to_string(message.Code());
      break;
  }
  if (request.empty()) return;
  TheLog().WriteLine("Counter: " + request + " from " + peer.address +
                     (refused ? " refused: not an allowed client" : ""));
}

bool CounterCommandHandler::Allocate(CounterMessage& message, const CounterPeer& peer) {
  PendingAllocation allocation;
  allocation.count = message.Value();
  // A count below one would hand out a number again or rewind the counter; one
  // far beyond what a station asks for would use up the counter every station shares.
  if (allocation.count < 1 || allocation.count > kMaxAllocationCount) {
    TheLog().WriteLine("Counter: request to take " + std::to_string(allocation.count) + " numbers from " +
                       peer.address + " refused: one request takes 1 to " +
                       std::to_string(kMaxAllocationCount));
    return false;
  }
  m_allocations.Submit(allocation, [this](const std::vector<PendingAllocation*>& batch) {
    std::lock_guard lock(ServerLock());
    CommitAllocations(batch);
  });
  if (allocation.granted) message.SetValue(allocation.first);
  return allocation.granted;
}

// Hands out consecutive ranges from "Next Film Number" and stores the new
// value once, read and written in one step; a number handed out must survive
// a crash, so nothing is granted unless the store was written.
void CounterCommandHandler::CommitAllocations(const std::vector<PendingAllocation*>& batch) {
  const bool stored = m_settings.UpdateProfileValue(
      kFilmSettings, kNextFilmNumber,
      [&](const std::optional<std::string>& text) -> std::optional<std::string> {
        const std::optional<int> first = text ? ParseStoredCounter(*text) : 0;
        const std::optional<int> next = first ? Grant(batch, *first) : std::nullopt;
        return next ? std::optional(std::to_string(*next)) : std::nullopt;
      });
  if (stored) return;
  for (PendingAllocation* allocation : batch) allocation->granted = false;
}

// Grants the batch its ranges from `first` on; the counter's value after them,
// nothing when none could be granted.
std::optional<int> CounterCommandHandler::Grant(const std::vector<PendingAllocation*>& batch, int first) {
  std::int64_t next = first;
  bool granted = false;
  for (PendingAllocation* allocation : batch) {
    const std::int64_t after = next + allocation->count;
    if (after > std::numeric_limits<std::int32_t>::max()) {
      TheLog().WriteLine("Counter: " + std::to_string(allocation->count) + " numbers from " +
                         std::to_string(next) + " would pass 2147483647: refused");
      continue;
    }
    allocation->first = static_cast<std::int32_t>(next);
    allocation->granted = granted = true;
    next = after;
  }
  if (!granted) return std::nullopt;  // nothing handed out: nothing to store
  return static_cast<int>(next);
}
