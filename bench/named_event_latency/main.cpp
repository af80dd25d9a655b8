// Wake-up latency of a named event between two processes: the parent pulses, a child
// waiting on the event notes when it woke. The reference is the wake-up of a child
// blocked reading a pipe the parent writes to, measured the same way in the same run.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/NamedEvent.h"

namespace {

constexpr int kRounds = 100;

int64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool ReadWithTimeout(int fd, void* data, size_t size, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeoutMs) == 1 && read(fd, data, size) == static_cast<ssize_t>(size);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// The child tells `ready` it is about to wait, then reports its wake-up time on `woke`.
template <class WaitOnce>
std::vector<double> Measure(WaitOnce waitOnce, const std::function<void()>& wake) {
  int ready[2], woke[2];
  if (pipe(ready) != 0 || pipe(woke) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    for (int i = 0; i < kRounds; ++i) {
      const char byte = 1;
      if (write(ready[1], &byte, 1) != 1) _exit(1);
      waitOnce();
      const int64_t t = NowNs();
      if (write(woke[1], &t, sizeof t) != sizeof t) _exit(1);
    }
    _exit(0);
  }
  std::vector<double> latenciesMs;
  for (int i = 0; i < kRounds; ++i) {
    char byte = 0;
    if (!ReadWithTimeout(ready[0], &byte, 1, 10000)) break;
    int64_t woken = 0;
    int64_t sent = 0;
    // Give the child a moment to block; if the wake-up still came too early, send again.
    do {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      sent = NowNs();
      wake();
    } while (!ReadWithTimeout(woke[0], &woken, sizeof woken, 200));
    latenciesMs.push_back(static_cast<double>(woken - sent) / 1e6);
  }
  waitpid(child, nullptr, 0);
  for (int fd : {ready[0], ready[1], woke[0], woke[1]}) close(fd);
  return latenciesMs;
}

}  // namespace

int main() {
  const std::string name = "bench.latency." + std::to_string(getpid());
  bx::NamedEvent event(name);
  if (!event.IsOpen()) {
    std::fprintf(stderr, "cannot create the named event\n");
    return 1;
  }
  const auto eventLatency = Measure([&] { event.Wait(bx::Event::kInfinite); }, [&] { event.Pulse(); });

  int wakePipe[2];
  if (pipe(wakePipe) != 0) return 1;
  const auto pipeLatency = Measure(
      [&] {
        char byte;
        if (read(wakePipe[0], &byte, 1) != 1) _exit(1);
      },
      [&] {
        const char byte = 1;
        if (write(wakePipe[1], &byte, 1) != 1) std::fprintf(stderr, "pipe write failed\n");
      });
  bx::NamedEvent::Remove(name);

  const double eventMedian = Median(eventLatency);
  const double pipeMedian = Median(pipeLatency);
  std::printf("named event pulse -> wake-up, median of %zu: %.3f ms (goal: within 5 ms)\n",
              eventLatency.size(), eventMedian);
  std::printf("pipe write -> wake-up (reference), median of %zu: %.3f ms\n", pipeLatency.size(), pipeMedian);
  std::printf("ratio named event / pipe: %.2f\n", pipeMedian > 0 ? eventMedian / pipeMedian : 0.0);
  return eventLatency.size() == kRounds && eventMedian <= 5.0 ? 0 : 1;
}
