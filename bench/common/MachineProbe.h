#pragma once
// What the machine itself costs, printed by benchmarks so that figures taken on
// two machines can be compared: the first touch of fresh anonymous memory (one
// page fault per 4 KiB page; on some virtual machines several times dearer than
// on others), the same memory faulted in at once by the kernel (MAP_POPULATE),
// memcpy bandwidth between buffers already touched, a fixed loop of dependent
// arithmetic (the processor's own speed), a thread's start, the cores' worth
// of processor the host gives, and the load average. At the end a benchmark
// can say how much processor time the host took away meanwhile (steal time of
// a virtual machine, and the cores given again: some hosts take a core from a
// guest without counting it as stolen).

#include "bench/common/AlternatingRuns.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace bench {

struct MachineCosts {
  double faultIn64MbMs = 0;   // touching every page of a fresh 64 MB mapping
  double populate64MbMs = 0;  // the same mapping made with MAP_POPULATE
  double memcpyGBps = 0;      // 64 MB copied between touched buffers
  double loopMs = 0;          // 100 million dependent multiply-adds
  double threadUs = 0;        // a thread started and joined
  double coresGiven = 0;      // see probe::CoresGiven
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

// A chain of dependent multiply-adds: neither memory nor the compiler's
// vectoriser changes its time, only the processor's clock and its share of it.
inline double LoopMs() {
  const auto start = std::chrono::steady_clock::now();
  volatile unsigned seed = 1;
  unsigned value = seed;
  for (int i = 0; i < 100'000'000; ++i) value = value * 1664525u + 1013904223u;
  seed = value;
  return MillisSince(start);
}

// What starting a thread costs, for work that starts one per call.
inline double ThreadStartUs() {
  const auto start = std::chrono::steady_clock::now();
  std::thread([] {}).join();
  return MillisSince(start) * 1e3;
}

inline unsigned Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

// One copy of the fixed loop on every core at once, against `aloneMs`, the
// loop alone just before: the cores' worth of processor the machine gets (the
// core count when the host gives them all, down to 1 when another guest runs
// on the same physical cores).
inline double CoresGiven(double aloneMs) {
  std::vector<std::thread> others;
  const auto start = std::chrono::steady_clock::now();
  for (unsigned core = 1; core < Cores(); ++core) others.emplace_back([] { LoopMs(); });
  LoopMs();
  for (std::thread& other : others) other.join();
  return std::min<double>(Cores(), Cores() * aloneMs / MillisSince(start));
}

}  // namespace probe

inline MachineCosts ProbeMachine(int rounds = 5) {
  MachineCosts costs;
  std::vector<double> faults, populated, copies, loops, threads, cores;
  std::vector<unsigned char> from(probe::kBytes, 1), to(probe::kBytes, 2);
  for (int round = 0; round < rounds; ++round) {
    faults.push_back(probe::FaultIn(false));
    populated.push_back(probe::FaultIn(true));
    const auto start = std::chrono::steady_clock::now();
    std::memcpy(to.data(), from.data(), probe::kBytes);
    copies.push_back(probe::MillisSince(start));
    loops.push_back(probe::LoopMs());
    threads.push_back(probe::ThreadStartUs());
    cores.push_back(probe::CoresGiven(loops.back()));
    from[round] = to[probe::kBytes - 1 - round];  // keeps the copy from being elided
  }
  costs.faultIn64MbMs = Median(faults);
  costs.populate64MbMs = Median(populated);
  costs.memcpyGBps = probe::kBytes / 1e6 / Median(copies);
  costs.loopMs = Median(loops);
  costs.threadUs = Median(threads);
  costs.coresGiven = Median(cores);
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
      "memcpy %.1f GB/s; fixed loop %.0f ms; thread start %.0f us; cores given %.2f of %u; "
      "load average %.2f\n",
      costs.faultIn64MbMs, costs.faultIn64MbMs * 1e3 / pages, costs.populate64MbMs, costs.memcpyGBps,
      costs.loopMs, costs.threadUs, costs.coresGiven, probe::Cores(), costs.loadAverage);
  return costs;
}

// The processor time of all cores so far, and the part of it the host took (steal), in clock ticks.
struct CpuTicks {
  long long total = 0, stolen = 0;
};

inline CpuTicks ReadCpuTicks() {
  std::ifstream stat("/proc/stat");
  std::string cpu;
  long long field[8] = {};
  stat >> cpu;
  for (long long& value : field) stat >> value;
  CpuTicks ticks;
  for (const long long value : field) ticks.total += value;
  ticks.stolen = field[7];
  return ticks;
}

// The closing line: load average at the end, the host's steal since `start`, and the cores given now.
inline void PrintMachineLoad(const CpuTicks& start) {
  const CpuTicks end = ReadCpuTicks();
  double load[1] = {0};
  ::getloadavg(load, 1);
  const long long total = end.total - start.total;
  const double stolen =
      total > 0 ? 100.0 * static_cast<double>(end.stolen - start.stolen) / static_cast<double>(total) : 0.0;
  const double cores = probe::CoresGiven(probe::LoopMs());
  std::printf(
      "machine at the end: load average %.2f; time stolen by the host during the run %.1f %%; "
      "cores given %.2f of %u\n",
      load[0], stolen, cores, probe::Cores());
}

}  // namespace bench
