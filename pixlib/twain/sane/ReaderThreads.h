#pragma once
// Many SANE backends read the device in a thread of their own, which the
// sane_read that hands over a frame's last byte cancels asynchronously. A
// cancel that lands while that thread is still freeing memory or taking the
// loader's lock leaves the lock held, and the process hangs. The thread ends
// by itself once it has written all its data, so a source that knows the
// frame's size holds back the last few bytes until the threads sane_start
// began have ended. A device that does not state its frame's height (a hand
// scanner) cannot be helped this way.

#include <sys/types.h>

#include <chrono>
#include <vector>

namespace twainsane {

// This process's thread ids, in ascending order.
std::vector<pid_t> ThreadIds();

// The ids in `now` that are not in `before` (both ascending).
std::vector<pid_t> StartedSince(const std::vector<pid_t>& before, const std::vector<pid_t>& now);

// Waits until none of `threads` runs any more, at most `limit`; true when all
// have ended.
bool AwaitThreadsEnd(const std::vector<pid_t>& threads, std::chrono::milliseconds limit);

}  // namespace twainsane
