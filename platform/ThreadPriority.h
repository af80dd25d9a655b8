#pragma once

namespace bx {

// Gives the calling thread real-time (first in, first out) scheduling at
// `level` steps above the lowest real-time priority, at most the highest;
// a level of 0 or less leaves it as it is. False when refused (it needs the
// privilege): the thread then keeps the normal policy.
bool SetThreadRealtimeLevel(int level);

}  // namespace bx
