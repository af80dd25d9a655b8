#pragma once

#include <cstdint>

namespace bx {

// Milliseconds on the steady clock as a 32-bit count that wraps about every 49.7 days.
// Compare ticks only by unsigned difference (see TicksBetween).
uint32_t TickCount();

// Milliseconds from `earlier` to `later`, correct across one wrap of the counter.
constexpr uint32_t TicksBetween(uint32_t earlier, uint32_t later) { return later - earlier; }

}  // namespace bx
