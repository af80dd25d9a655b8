// Trigger latency: from an edge (a named event set, a simulated DSR change) to the
// station's shot call, against the bare wake-up of a thread waiting on the same
// kind of named event or port, scheduled as the engine's thread is (real-time at
// the engine's default level, or normal), measured in the same run; and the
// accuracy of delayed shots. Edges are released alternately from the processor
// the woken thread last ran on and from another one, and each kind is compared
// with its own kind.
#include "platform/NamedEvent.h"
#include "platform/ProfileStore.h"
#include "platform/SimulatedSerialPort.h"
#include "platform/ThreadPriority.h"
#include "trigger/CExternalTrigger.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 500;
constexpr int kDelayRounds = 8;
// The engine's default "Trigger Thread Priority" and the normal policy.
const int kEngineLevel = TriggerSettings{}.threadPriority;
constexpr int kNormalLevel = 0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Stats {
  double median = 0, p99 = 0;
};

Stats Summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  if (v.empty()) return {};
  return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

// When something happened and on which processor, for the measuring thread to wait for.
struct Mark {
  Clock::time_point time;
  int cpu = -1;
};

class Stamp {
 public:
  void Mark() {
    const int cpu = sched_getcpu();
    std::lock_guard lock(m_mutex);
    m_mark = {Clock::now(), cpu};
    ++m_count;
    m_changed.notify_all();
  }
  int Count() {
    std::lock_guard lock(m_mutex);
    return m_count;
  }
  void Clear() {
    std::lock_guard lock(m_mutex);
    m_mark.reset();
  }
  std::optional<::Mark> Wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::seconds(5), [this] { return m_mark.has_value(); });
    return m_mark;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::optional<::Mark> m_mark;
  int m_count = 0;
};

class StampingHost final : public ITriggerHost {
 public:
  void SoftwareShot(bool) override { shot.Mark(); }
  void SetLiveMode(bool) override {}
  bool IsLiveMode() const override { return false; }
  Stamp shot;
};

class ShootingTrigger final : public CExternalTrigger {
 public:
  using CExternalTrigger::CExternalTrigger;
  ~ShootingTrigger() override { Stop(); }
  void Fire() override { Host()->SoftwareShot(false); }
};

// The processors the program may use. The measuring thread moves among them
// to release each edge where it chooses; the woken threads are never bound.
class Processors {
 public:
  Processors() { sched_getaffinity(0, sizeof(m_allowed), &m_allowed); }
  ~Processors() { RunAnywhere(); }
  // The next allowed processor after `cpu`, itself when it is the only one.
  int Other(int cpu) const {
    for (int step = 1; step < CPU_SETSIZE; ++step) {
      const int next = (cpu + step) % CPU_SETSIZE;
      if (CPU_ISSET(next, &m_allowed)) return next;
    }
    return cpu;
  }
  void RunOn(int cpu) const {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    sched_setaffinity(0, sizeof(one), &one);
  }
  void RunAnywhere() const { sched_setaffinity(0, sizeof(m_allowed), &m_allowed); }

 private:
  cpu_set_t m_allowed{};
};

// One way of releasing an edge and seeing its effect. A real-time thread is
// woken on the processor it last ran on, unless a real-time thread of its level
// or above runs there, so where the edge comes from decides whether waking it
// costs an interrupt between processors, which on a virtual machine dwarfs the
// work done after the wake-up. Each time is filed by where the woken thread ran.
struct Probe {
  Stamp& stamp;
  std::function<void()> edge;
  std::function<void()> release;
  std::vector<double> ms = {}, sameCpuMs = {}, otherCpuMs = {};
  int rounds = 0;
  int lastCpu = -1;

  // With `processors`, the edge is released from the woken thread's last
  // processor or, when `sameProcessor` is false, from another one.
  void Round(const Processors* processors = nullptr, bool sameProcessor = true) {
    ++rounds;
    stamp.Clear();
    if (processors && lastCpu >= 0) processors->RunOn(sameProcessor ? lastCpu : processors->Other(lastCpu));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const int cpu = sched_getcpu();
    const auto start = Clock::now();
    edge();
    if (const auto end = stamp.Wait()) {
      const double elapsed = Ms(end->time - start);
      ms.push_back(elapsed);
      (end->cpu == cpu ? sameCpuMs : otherCpuMs).push_back(elapsed);
      lastCpu = end->cpu;
    }
    release();
  }
};

// A thread that waits on named events as the engine does, scheduled as the
// engine's thread at `level`: for the rise, then for the fall, each consumed
// when it arrives, so that it sleeps and wakes as often as the engine. It
// notes each rise.
class EventWaiter {
 public:
  EventWaiter(const std::string& name, int level)
      : m_name(name), m_rise(name + ".rise"), m_fall(name + ".fall"), m_thread([this, level] {
          bx::SetThreadRealtimeLevel(level);
          while (Consume(m_rise)) {
            woke.Mark();
            if (!Consume(m_fall)) break;
          }
        }) {}
  ~EventWaiter() {
    m_stop.Set();
    m_thread.join();
    bx::NamedEvent::Remove(m_name + ".rise");
    bx::NamedEvent::Remove(m_name + ".fall");
  }
  void Rise() { m_rise.Set(); }
  void Fall() { m_fall.Set(); }
  Stamp woke;

 private:
  bool Consume(bx::NamedEvent& event) {
    if (event.Wait(bx::Event::kInfinite, &m_stop) != bx::NamedEvent::WaitResult::Signalled) return false;
    event.Reset();
    return true;
  }

  std::string m_name;
  bx::NamedEvent m_rise;
  bx::NamedEvent m_fall;
  bx::Event m_stop;
  std::thread m_thread;
};

// A thread that waits on a simulated port's DSR line and notes each change,
// scheduled as the engine's thread.
class PortWaiter {
 public:
  PortWaiter() {
    port.Open("COM9");
    m_thread = std::thread([this] {
      bx::SetThreadRealtimeLevel(kEngineLevel);
      // Reads the line after each change, as the engine does, and notes the rises.
      while (port.WaitForDsrChange(m_stop) == bx::SerialPort::WaitResult::Changed)
        if (port.Dsr().value_or(false)) woke.Mark();
    });
  }
  ~PortWaiter() {
    m_stop.Set();
    m_thread.join();
  }
  bx::SimulatedSerialPort port;
  Stamp woke;

 private:
  bx::Event m_stop;
  std::thread m_thread;
};

// The profile and the named events of one engine. Every engine has events of
// its own: the DSR engine mirrors its line onto its events, and an engine
// waiting on those would be woken by it, off the rounds that measure it.
struct Bench {
  explicit Bench(const std::string& tag)
      : folder((std::filesystem::temp_directory_path() / ("trigger-bench-" + tag + std::to_string(getpid())))
                   .string()),
        rise("bench." + tag + ".rise." + std::to_string(getpid())),
        fall("bench." + tag + ".fall." + std::to_string(getpid())) {}
  ~Bench() {
    bx::NamedEvent::Remove(rise);
    bx::NamedEvent::Remove(fall);
    std::filesystem::remove_all(folder);
  }

  std::string folder;
  std::string rise;
  std::string fall;

  std::unique_ptr<ShootingTrigger> Engine(int source, int delayMs, StampingHost& host, bx::SerialPort* port,
                                          int priority = kEngineLevel) {
    std::filesystem::create_directories(folder);
    bx::ProfileStore profile(folder, "bench");
    profile.WriteInt("Trigger Settings", "Trigger Source", source);
    profile.WriteInt("Trigger Settings", "TriggerFilter", 0);
    profile.WriteInt("Trigger Settings", "MinDelay", 0);
    profile.WriteInt("Trigger Settings", "TriggerDelay", delayMs);
    profile.WriteInt("Program Settings", "Trigger Thread Priority", priority);
    m_profile = std::make_unique<bx::ProfileStore>(folder, "bench");
    TriggerServices services;
    services.riseEventName = rise;
    services.fallEventName = fall;
    auto engine = std::make_unique<ShootingTrigger>(*m_profile, services);
    engine->Bind(port, &host);
    engine->LoadSettings();
    engine->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return engine;
  }

 private:
  std::unique_ptr<bx::ProfileStore> m_profile;
};

void Print(const char* what, const std::vector<double>& ms, double reference) {
  const Stats s = Summarise(ms);
  std::printf("%-46s n=%3zu median %7.3f ms  p99 %7.3f ms", what, ms.size(), s.median, s.p99);
  if (reference > 0) std::printf("  ratio %.2f", s.median / reference);
  std::printf("\n");
}

// Like against like: each placement of the woken thread against the same
// placement of the reference. Returns the larger of the two ratios.
double Print(const char* what, const Probe& probe, const Probe* reference) {
  std::printf("%s\n", what);
  double worst = 0;
  const auto printPlacement = [&](const char* where, const std::vector<double>& ms,
                                  const std::vector<double>* ref) {
    const double base = ref && !ref->empty() ? Summarise(*ref).median : 0;
    Print(where, ms, base);
    if (base > 0 && !ms.empty()) worst = std::max(worst, Summarise(ms).median / base);
  };
  printPlacement("  woken on the releasing processor", probe.sameCpuMs,
                 reference ? &reference->sameCpuMs : nullptr);
  printPlacement("  woken on another processor", probe.otherCpuMs,
                 reference ? &reference->otherCpuMs : nullptr);
  // A thread woken outside its own rounds also changes where the scheduler
  // places it in them: the probes would no longer be measured alike.
  if (const int stray = probe.stamp.Count() - probe.rounds; stray > 0)
    std::printf("  WARNING: %d wake-ups outside its rounds\n", stray);
  return worst;
}

}  // namespace

int main() {
  const std::string tag = std::to_string(getpid());
  EventWaiter waiter("bench.ref." + tag, kEngineLevel);
  EventWaiter normalWaiter("bench.ref.normal." + tag, kNormalLevel);
  PortWaiter portWaiter;

  StampingHost eventHost, normalHost, dsrHost;
  Bench eventBench("event"), normalBench("normal"), dsrBench("dsr");
  auto eventEngine = eventBench.Engine(SourceNamedEvents, 0, eventHost, nullptr);
  // The same at normal scheduling, for comparison.
  auto normalEngine = normalBench.Engine(SourceNamedEvents, 0, normalHost, nullptr, kNormalLevel);
  bx::SimulatedSerialPort port;
  port.Open("COM1");
  auto dsrEngine = dsrBench.Engine(SourceSerialDsr, 0, dsrHost, &port);
  bx::NamedEvent rise(eventBench.rise), fall(eventBench.fall);
  bx::NamedEvent normalRise(normalBench.rise), normalFall(normalBench.fall);

  // All are measured in turn, round by round, so that the load of the
  // machine weighs on each alike.
  Probe reference{waiter.woke, [&] { waiter.Rise(); }, [&] { waiter.Fall(); }};
  Probe normalReference{normalWaiter.woke, [&] { normalWaiter.Rise(); }, [&] { normalWaiter.Fall(); }};
  Probe portReference{portWaiter.woke, [&] { portWaiter.port.DriveDsr(true); },
                      [&] { portWaiter.port.DriveDsr(false); }};
  Probe eventShot{eventHost.shot, [&] { rise.Set(); }, [&] { fall.Set(); }};
  Probe normalShot{normalHost.shot, [&] { normalRise.Set(); }, [&] { normalFall.Set(); }};
  Probe dsrShot{dsrHost.shot, [&] { port.DriveDsr(true); }, [&] { port.DriveDsr(false); }};
  {
    const Processors processors;
    for (int i = 0; i < kRounds; ++i)
      for (Probe* probe : {&reference, &eventShot, &normalReference, &normalShot, &portReference, &dsrShot})
        probe->Round(&processors, i % 2 == 0);
  }
  eventEngine.reset();
  normalEngine.reset();
  dsrEngine.reset();

  std::printf(
      "Edge to shot call, edges released alternately from the woken thread's processor and from\n"
      "another; ratios to the wake-up alone at the same scheduling and placement\n");
  Print("named event wake-up alone, real-time", reference, nullptr);
  const double realtime = Print("named event edge -> SoftwareShot, real-time", eventShot, &reference);
  Print("named event wake-up alone, normal", normalReference, nullptr);
  const double normal = Print("named event edge -> SoftwareShot, normal", normalShot, &normalReference);
  Print("simulated DSR change -> wake-up alone", portReference, nullptr);
  const double dsr = Print("simulated DSR change -> SoftwareShot", dsrShot, &portReference);
  std::printf("Goal <= 1.5, the larger ratio of each: named event real-time %.2f, normal %.2f; DSR %.2f\n",
              realtime, normal, dsr);

  std::printf("Delayed shots: measured minus requested delay\n");
  for (int delay : {100, 400, 1000}) {
    StampingHost host;
    auto engine = eventBench.Engine(SourceNamedEvents, delay, host, nullptr);
    Probe delayed{host.shot, [&] { rise.Set(); }, [&] { fall.Set(); }};
    for (int i = 0; i < kDelayRounds; ++i) delayed.Round();
    for (double& e : delayed.ms) e -= delay;
    const std::string what = "TriggerDelay " + std::to_string(delay) + " ms, error";
    Print(what.c_str(), delayed.ms, 0);
  }
  return 0;
}
