// Trigger latency: from an edge (a named event set, a simulated DSR change) to the
// station's shot call, against the bare wake-up of a thread waiting on the same
// kind of named event or port, scheduled as the engine's thread is (real-time at
// the engine's default level, or normal), measured in the same run; and the
// accuracy of delayed shots.
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

Stats Summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    if (v.empty())
        return {};
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

// When something happened and on which processor, for the measuring thread to wait for.
struct Mark {
    Clock::time_point time;
    int cpu = -1;
};

class Stamp {
public:
    void Mark()
    {
        const int cpu = sched_getcpu();
        std::lock_guard lock(m_mutex);
        m_mark = {Clock::now(), cpu};
        m_changed.notify_all();
    }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_mark.reset();
    }
    std::optional<::Mark> Wait()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(5), [this] { return m_mark.has_value(); });
        return m_mark;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<::Mark> m_mark;
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

// One way of releasing an edge and seeing its effect. Each time is also filed
// by whether the woken thread ran on the processor that released the edge:
// waking a thread on the other one costs an interrupt between processors,
// which on a virtual machine dwarfs the work done after the wake-up.
struct Probe {
    Stamp& stamp;
    std::function<void()> edge;
    std::function<void()> release;
    std::vector<double> ms, sameCpuMs, otherCpuMs;

    void Round()
    {
        stamp.Clear();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const int cpu = sched_getcpu();
        const auto start = Clock::now();
        edge();
        if (const auto end = stamp.Wait()) {
            const double elapsed = Ms(end->time - start);
            ms.push_back(elapsed);
            (end->cpu == cpu ? sameCpuMs : otherCpuMs).push_back(elapsed);
        }
        release();
    }
};

// A thread that waits on a named event as the engine does, scheduled as the
// engine's thread at `level`, and notes each wake-up.
class EventWaiter {
public:
    EventWaiter(const std::string& name, int level)
        : m_event(name), m_thread([this, level] {
              bx::SetThreadRealtimeLevel(level);
              while (m_event.Wait(bx::Event::kInfinite, &m_stop) == bx::NamedEvent::WaitResult::Signalled) {
                  m_event.Reset();
                  woke.Mark();
              }
          })
    {
    }
    ~EventWaiter()
    {
        m_stop.Set();
        m_thread.join();
    }
    void Set() { m_event.Set(); }
    Stamp woke;

private:
    bx::NamedEvent m_event;
    bx::Event m_stop;
    std::thread m_thread;
};

// A thread that waits on a simulated port's DSR line and notes each change,
// scheduled as the engine's thread.
class PortWaiter {
public:
    PortWaiter()
    {
        port.Open("COM9");
        m_thread = std::thread([this] {
            bx::SetThreadRealtimeLevel(kEngineLevel);
            while (port.WaitForDsrChange(m_stop) == bx::SerialPort::WaitResult::Changed)
                woke.Mark();
        });
    }
    ~PortWaiter()
    {
        m_stop.Set();
        m_thread.join();
    }
    bx::SimulatedSerialPort port;
    Stamp woke;

private:
    bx::Event m_stop;
    std::thread m_thread;
};

struct Bench {
    std::string folder = (std::filesystem::temp_directory_path() / ("trigger-bench-" + std::to_string(getpid())))
                             .string();
    std::string rise = "bench.rise." + std::to_string(getpid());
    std::string fall = "bench.fall." + std::to_string(getpid());
    ~Bench()
    {
        bx::NamedEvent::Remove(rise);
        bx::NamedEvent::Remove(fall);
        std::filesystem::remove_all(folder);
    }

    std::unique_ptr<ShootingTrigger> Engine(int source, int delayMs, StampingHost& host, bx::SerialPort* port,
                                            int priority = kEngineLevel)
    {
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

void Print(const char* what, const std::vector<double>& ms, double reference)
{
    const Stats s = Summarise(ms);
    std::printf("%-46s n=%3zu median %7.3f ms  p99 %7.3f ms", what, ms.size(), s.median, s.p99);
    if (reference > 0)
        std::printf("  ratio %.2f", s.median / reference);
    std::printf("\n");
}

void Print(const char* what, const Probe& probe, const Probe* reference)
{
    Print(what, probe.ms, reference ? Summarise(reference->ms).median : 0);
    const double same = Summarise(probe.sameCpuMs).median, other = Summarise(probe.otherCpuMs).median;
    std::printf("%-46s woken on the same processor %3zu (median %.3f ms), on the other %3zu (median %.3f ms)", "",
                probe.sameCpuMs.size(), same, probe.otherCpuMs.size(), other);
    // Like against like: the ratio that does not depend on where the scheduler
    // happened to wake each thread.
    if (reference && !reference->sameCpuMs.empty() && !reference->otherCpuMs.empty())
        std::printf("  ratios %.2f / %.2f", same / Summarise(reference->sameCpuMs).median,
                    other / Summarise(reference->otherCpuMs).median);
    std::printf("\n");
}

} // namespace

int main()
{
    Bench bench;
    const std::string referenceName = bench.rise + ".ref";
    const std::string normalReferenceName = bench.rise + ".ref.normal";
    EventWaiter waiter(referenceName, kEngineLevel);
    EventWaiter normalWaiter(normalReferenceName, kNormalLevel);
    PortWaiter portWaiter;

    StampingHost eventHost, normalHost, dsrHost;
    auto eventEngine = bench.Engine(SourceNamedEvents, 0, eventHost, nullptr);
    // The same at normal scheduling, for comparison (names of its own).
    Bench normalBench;
    normalBench.rise += ".normal";
    normalBench.fall += ".normal";
    auto normalEngine = normalBench.Engine(SourceNamedEvents, 0, normalHost, nullptr, kNormalLevel);
    bx::NamedEvent normalRise(normalBench.rise), normalFall(normalBench.fall);
    bx::SimulatedSerialPort port;
    port.Open("COM1");
    auto dsrEngine = bench.Engine(SourceSerialDsr, 0, dsrHost, &port);
    bx::NamedEvent rise(bench.rise), fall(bench.fall);

    // All are measured in turn, round by round, so that the load of the
    // machine weighs on each alike.
    Probe reference{waiter.woke, [&] { waiter.Set(); }, [] {}, {}, {}, {}};
    Probe normalReference{normalWaiter.woke, [&] { normalWaiter.Set(); }, [] {}, {}, {}, {}};
    Probe portReference{portWaiter.woke, [&] { portWaiter.port.DriveDsr(true); },
                        [&] { portWaiter.port.DriveDsr(false); }, {}, {}, {}};
    Probe eventShot{eventHost.shot, [&] { rise.Set(); }, [&] { fall.Set(); }, {}, {}, {}};
    Probe normalShot{normalHost.shot, [&] { normalRise.Set(); }, [&] { normalFall.Set(); }, {}, {}, {}};
    Probe dsrShot{dsrHost.shot, [&] { port.DriveDsr(true); }, [&] { port.DriveDsr(false); }, {}, {}, {}};
    for (int i = 0; i < kRounds; ++i)
        for (Probe* probe : {&reference, &eventShot, &normalReference, &normalShot, &portReference, &dsrShot})
            probe->Round();
    eventEngine.reset();
    normalEngine.reset();
    dsrEngine.reset();
    bx::NamedEvent::Remove(referenceName);
    bx::NamedEvent::Remove(normalReferenceName);

    std::printf("Edge to shot call (goal: ratio to the wake-up alone at the same scheduling <= 1.5)\n");
    Print("named event wake-up alone, real-time", reference, nullptr);
    Print("named event edge -> SoftwareShot, real-time", eventShot, &reference);
    Print("named event wake-up alone, normal", normalReference, nullptr);
    Print("named event edge -> SoftwareShot, normal", normalShot, &normalReference);
    Print("simulated DSR change -> wake-up alone", portReference, nullptr);
    Print("simulated DSR change -> SoftwareShot", dsrShot, &portReference);

    std::printf("Delayed shots: measured minus requested delay\n");
    for (int delay : {100, 400, 1000}) {
        StampingHost host;
        auto engine = bench.Engine(SourceNamedEvents, delay, host, nullptr);
        Probe delayed{host.shot, [&] { rise.Set(); }, [&] { fall.Set(); }, {}, {}, {}};
        for (int i = 0; i < kDelayRounds; ++i)
            delayed.Round();
        for (double& e : delayed.ms)
            e -= delay;
        const std::string what = "TriggerDelay " + std::to_string(delay) + " ms, error";
        Print(what.c_str(), delayed.ms, 0);
    }
    return 0;
}
