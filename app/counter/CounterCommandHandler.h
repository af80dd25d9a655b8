#pragma once

#include <functional>
#include <span>

#include "app/counter/AllocationQueue.h"
#include "app/counter/CounterMessage.h"
#include "app/counter/CounterSettings.h"

namespace bx {
class MachinePower;
}  // namespace bx

// Receives the 16 payload bytes of command 5 and may rewrite them.
using CounterPayloadHandler = std::function<void(std::span<std::uint8_t, kCounterPayloadSize>)>;

// Performs the commands of the film-number service on the serving station's
// settings, all under one process-wide lock.
class CounterCommandHandler {
 public:
  CounterCommandHandler(ICounterSettings& settings, bx::MachinePower& power)
      : m_settings(settings), m_power(power) {}

  // Installs the process-wide payload handler (empty: command 5 echoes).
  static void SetPayloadHandler(CounterPayloadHandler handler);

  // Turns a request into its reply in place. False when the request cannot be
  // honoured (the counter would overflow or cannot be stored): no reply is sent.
  bool Perform(CounterMessage& message);

 private:
  bool PerformUnderLock(CounterMessage& message);
  bool Allocate(CounterMessage& message);
  void CommitAllocations(const std::vector<PendingAllocation*>& batch);

  ICounterSettings& m_settings;
  bx::MachinePower& m_power;
  AllocationQueue m_allocations;
};
