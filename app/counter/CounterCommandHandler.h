#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "app/counter/AllocationQueue.h"
#include "app/counter/CounterMessage.h"
#include "app/counter/CounterSettings.h"

namespace bx {
class MachinePower;
}  // namespace bx

// The most numbers one allocation may take; stations ask for far fewer.
constexpr std::int32_t kMaxAllocationCount = 10000;

// Receives the 16 payload bytes of command 5 and may rewrite them.
using CounterPayloadHandler = std::function<void(std::span<std::uint8_t, kCounterPayloadSize>)>;

// Who sent a request: the address logged with control requests, and whether
// the peer is on "Counter Allowed Clients" (an empty list holds everyone).
struct CounterPeer {
  std::string address = "this process";
  bool listed = true;
};

// Performs the commands of the film-number service on the serving station's
// settings, all under one process-wide lock.
class CounterCommandHandler {
 public:
  CounterCommandHandler(ICounterSettings& settings, bx::MachinePower& power)
      : m_settings(settings), m_power(power) {}

  // Installs the process-wide payload handler (empty: command 5 echoes).
  static void SetPayloadHandler(CounterPayloadHandler handler);

  // Turns a request into its reply in place. False when the request cannot be
  // honoured (a count below one or above kMaxAllocationCount, a counter that
  // would overflow, is corrupt or cannot be stored, a request an unlisted peer
  // may not make): no reply is sent.
  bool Perform(CounterMessage& message, const CounterPeer& peer = {});

 private:
  bool PerformUnderLock(CounterMessage& message);
  static void LogRequest(const CounterMessage& message, const CounterPeer& peer, bool refused);
  bool Allocate(CounterMessage& message, const CounterPeer& peer);
  void CommitAllocations(const std::vector<PendingAllocation*>& batch);
  static std::optional<int> Grant(const std::vector<PendingAllocation*>& batch, int first);

  ICounterSettings& m_settings;
  bx::MachinePower& m_power;
  AllocationQueue m_allocations;
};
