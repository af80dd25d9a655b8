#pragma once
// What the machine itself costs, printed by benchmarks so that figures taken on
// two machines can be compared: the first touch of fresh anonymous memory (one
// page fault per 4 KiB page; on some virtual machines several times dearer than
// on others), the same memory faulted in at once by the kernel (MAP_POPULATE),
// memcpy bandwidth between buffers already touched, and the load average.

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace bench {

struct MachineCosts {
  double faultIn64MbMs = 0;   // touching every page of a fresh 64 MB mapping
  double populate64MbMs = 0;  // the same mapping made with MAP_POPULATE
  double memcpyGBps = 0;      // 64 MB copied between touched buffers
  double loadAverage = 0;     // of the last minute, at the probe
};

namespace probe {

constexpr std::size_t kBytes = std::size_t(64) << 20;

inline double MillisSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A fresh 64 MB mapping, every page written once; with `populate` the kernel
// fills the page tables at mmap and the writes fault no more.
inline double FaultIn(bool populate) {
  const auto start = std::chrono::steady_clock::now();
  void* block = ::mmap(nullptr, kBytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | (populate ? MAP_POPULATE : 0), -1, 0);
  if (block == MAP_FAILED) return 0;
  auto* bytes = static_cast<volatile unsigned char*>(block);
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  for (std::size_t at = 0; at < kBytes; at += page) bytes[at] = 1;
  const double ms = MillisSince(start);
  ::munmap(block, kBytes);
  return ms;
}

inline double MedianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace probe

inline MachineCosts ProbeMachine(int rounds = 7) {
  MachineCosts costs;
  std::vector<double> faults, populated, copies;
  std::vector<unsigned char> from(probe::kBytes, 1), to(probe::kBytes, 2);
  for (int round = 0; round < rounds; ++round) {
    faults.push_back(probe::FaultIn(false));
    populated.push_back(probe::FaultIn(true));
    const auto start = std::chrono::steady_clock::now();
    std::memcpy(to.data(), from.data(), probe::kBytes);
    copies.push_back(probe::MillisSince(start));
    from[round] = to[probe::kBytes - 1 - round];  // keeps the copy from being elided
  }
  costs.faultIn64MbMs = probe::MedianOf(faults);
  costs.populate64MbMs = probe::MedianOf(populated);
  costs.memcpyGBps = probe::kBytes / 1e6 / probe::MedianOf(copies);
  double load[1] = {0};
  if (::getloadavg(load, 1) == 1) costs.loadAverage = load[0];
  return costs;
}

// Page faults the process has taken so far that needed no disk read (first
// touches of fresh memory and of mapped pages already in the page cache).
inline long MinorFaults() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// One line, printed first by every benchmark that quotes a goal against a machine-bound reference.
inline MachineCosts PrintMachineProbe() {
  const MachineCosts costs = ProbeMachine();
  const double pages = static_cast<double>(probe::kBytes) / static_cast<double>(::sysconf(_SC_PAGESIZE));
  std::printf(
      "machine: first touch of 64 MB %.1f ms (%.2f us a page), with MAP_POPULATE %.1f ms; "
      "memcpy %.1f GB/s; load average %.2f\n",
      costs.faultIn64MbMs, costs.faultIn64MbMs * 1e3 / pages, costs.populate64MbMs, costs.memcpyGBps,
      costs.loadAverage);
  return costs;
}

}  // namespace bench
