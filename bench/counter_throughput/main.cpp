// Film-number allocations per second with 8 concurrent clients, and the 99th
// percentile of one allocation's latency, against a plain echo server of
// 24-byte messages. Both serve a thread per connection, and every client
// transaction connects, sends 24 bytes, reads 24 and closes, so the ratio is
// the cost of the counter itself: the lock and the settings file.
//
// usage: counter_throughput [--rounds N] [--per-client N] [--store FOLDER]
// The counter's settings go to FOLDER (default: a fresh folder in /dev/shm,
// else /tmp); a store on disk adds one synchronised file write per allocation.
//
// The durable write itself (the file's spare rewritten, synced, exchanged with
// the file, the folder synced) is the kernel's work, and its price differs from
// machine to machine far more than the rest. Between rounds the benchmark
// times the same write of a file of the same size in the same folder, counts
// the writes of the settings file during each counter round, and
// also states the processor time of an allocation less its share of them.

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/common/FreePort.h"
#include "bench/common/MachineProbe.h"
#include "app/counter/CRemoteCounterClient.h"
#include "app/counter/CRemoteCounterServer.h"
#include "app/counter/ConnectionThreads.h"
#include "app/counter/SocketHandle.h"
#include "platform/ExchangedFile.h"
#include "platform/FileReplace.h"
#include "platform/ProfileStore.h"
#include "platform/RecordingMachinePower.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kClients = 8;

struct Settings {
  int rounds = 5;
  int perClient = 400;
  std::string store;
};

struct RoundResult {
  double perSecond;
  double p99Microseconds;
  double cpuMicroseconds;  // processor time of the whole process (clients and server) per transaction
  double pageFaults;       // page faults of the whole process per transaction
};

// User and system time of every thread of the process so far, and its page faults.
struct ProcessUsage {
  double cpuMicroseconds;
  double pageFaults;
};

ProcessUsage UsageSoFar() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto micros = [](const timeval& time) {
    return time.tv_sec * 1e6 + static_cast<double>(time.tv_usec);
  };
  return {micros(usage.ru_utime) + micros(usage.ru_stime),
          static_cast<double>(usage.ru_minflt + usage.ru_majflt)};
}

// This thread's processor time; to the nanosecond, where getrusage's share of
// a few milliseconds can come out as nothing.
double ThreadCpuMicroseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

// Processor time of one durable replacement of a file as large as the settings
// file, in the same folder, written as the settings store writes its file.
double DurableWriteCpuMicroseconds(const std::string& folder, std::size_t bytes) {
  constexpr int kWrites = 200;
  const int open = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const std::string text(bytes, 'x');
  if (open < 0 || bx::WriteFileAtomicallyIn(open, "durable.probe", text)) std::exit(1);
  double cpu = 0;
  {
    bx::ExchangedFile file(open, "durable.probe");
    struct stat written {};
    const double start = ThreadCpuMicroseconds();
    for (int i = 0; i < kWrites; ++i)
      if (file.Replace(text, written)) std::exit(1);
    cpu = (ThreadCpuMicroseconds() - start) / kWrites;
  }
  ::close(open);
  std::filesystem::remove(folder + "/durable.probe");
  return cpu;
}

// Counts the process's write system calls, which the kernel tallies at no
// cost: during a round the only ones are the settings file's writes, one a
// replacement (the sockets send). Watching the folder for the replacements'
// temporary files instead (inotify) charged the counter an event per write.
class ReplacementCounter {
 public:
  ReplacementCounter() : m_last(WriteCalls()) {}
  // The write calls since the last call.
  long Take() {
    const long now = WriteCalls();
    return now - std::exchange(m_last, now);
  }

 private:
  static long WriteCalls() {
    std::FILE* io = std::fopen("/proc/self/io", "r");
    long calls = -1;
    char line[128];
    while (io && std::fgets(line, sizeof line, io))
      if (std::sscanf(line, "syscw: %ld", &calls) == 1) break;
    if (io) std::fclose(io);
    if (calls < 0) {
      std::fprintf(stderr, "cannot read the write calls from /proc/self/io\n");
      std::exit(1);
    }
    return calls;
  }

  long m_last;
};

// Echoes each 24-byte message back, a thread per connection, joined as the
// counter server joins its own.
class EchoServer {
 public:
  EchoServer() : m_port(bench::FreeLoopbackPort()) {
    m_listener = SocketHandle(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(m_port));
    if (::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(m_listener.Get(), SOMAXCONN) != 0) {
      std::perror("echo server");
      std::exit(1);
    }
    m_thread = std::thread([this] { Accept(); });
  }
  ~EchoServer() {
    ::shutdown(m_listener.Get(), SHUT_RDWR);
    m_thread.join();
    m_connections.Stop();
  }
  int Port() const { return m_port; }

 private:
  void Accept() {
    for (;;) {
      const int fd = ::accept(m_listener.Get(), nullptr, nullptr);
      if (fd < 0) return;
      m_connections.Start(SocketHandle(fd), [](int connection) {
        std::uint8_t message[24];
        const Deadline deadline = Clock::now() + std::chrono::seconds(10);
        while (ReadExactly(connection, message, deadline) == IoResult::Done &&
               WriteAll(connection, message, deadline) == IoResult::Done) {
        }
      });
    }
  }

  int m_port;
  SocketHandle m_listener;
  ConnectionThreads m_connections;
  std::thread m_thread;
};

bool EchoOnce(int port) {
  const Deadline deadline = Clock::now() + std::chrono::seconds(10);
  const SocketHandle connection = ConnectTcp("127.0.0.1", port, deadline);
  std::uint8_t message[24] = {'T', 'A', 'R', 'V', 1};
  return connection.IsValid() && WriteAll(connection.Get(), message, deadline) == IoResult::Done &&
         ReadExactly(connection.Get(), message, deadline) == IoResult::Done;
}

// kClients threads, each doing `perClient` transactions.
RoundResult RunRound(int perClient, const std::function<bool()>& transaction) {
  std::vector<std::vector<double>> latencies(kClients);
  std::atomic<int> failures{0};
  const ProcessUsage usageStart = UsageSoFar();
  const auto start = Clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      for (int i = 0; i < perClient; ++i) {
        const auto begin = Clock::now();
        if (!transaction()) ++failures;
        latencies[c].push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
      }
    });
  }
  for (auto& client : clients) client.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const ProcessUsage usageEnd = UsageSoFar();
  const double transactions = kClients * perClient;
  const double cpu = (usageEnd.cpuMicroseconds - usageStart.cpuMicroseconds) / transactions;
  const double faults = (usageEnd.pageFaults - usageStart.pageFaults) / transactions;
  if (failures > 0) std::fprintf(stderr, "%d transactions failed\n", failures.load());
  std::vector<double> all;
  for (const auto& list : latencies) all.insert(all.end(), list.begin(), list.end());
  std::sort(all.begin(), all.end());
  return {all.size() / seconds, all[all.size() * 99 / 100], cpu, faults};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

Settings Parse(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--rounds") settings.rounds = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--per-client") settings.perClient = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--store") settings.store = argv[i + 1];
  }
  return settings;
}

std::string FreshStoreFolder() {
  const std::filesystem::path base =
      ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path();
  std::string pattern = (base / "counter-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::exit(1);
  return pattern;
}

}  // namespace

int main(int argc, char** argv) {
  bench::PrintMachineProbe();
  const bench::CpuTicks ticks = bench::ReadCpuTicks();
  Settings settings = Parse(argc, argv);
  const bool ownFolder = settings.store.empty();
  if (ownFolder) settings.store = FreshStoreFolder();
  bx::ProfileStore store(settings.store, "BXGrabber");
  ProfileCounterSettings counterSettings(store);
  bx::RecordingMachinePower power;
  CounterServerOptions options;
  options.basePort = bench::FreeLoopbackPort();
  store.WriteInt("Database Settings", "Counter Port", options.basePort);
  store.WriteInt("Film Settings", "Next Film Number", 0);
  CRemoteCounterServer server("", counterSettings, power, options);
  if (!server.Port()) {
    std::fprintf(stderr, "counter server cannot listen\n");
    return 1;
  }
  EchoServer echo;
  CRemoteCounterClient client(counterSettings);
  const std::string storeFile = "BXGrabber.ini";
  ReplacementCounter replacements;
  const std::size_t storeBytes = std::filesystem::file_size(settings.store + "/" + storeFile);

  std::vector<double> echoRates, echoP99, echoCpu, echoFaults, counterRates, counterP99, counterCpu,
      counterFaults;
  std::vector<double> writesPerAllocation, durableCpu, counterCpuLessWrites;
  for (int round = 0; round < settings.rounds; ++round) {
    const auto echoRound = [&] {
      return RunRound(settings.perClient, [&] { return EchoOnce(echo.Port()); });
    };
    const auto counterRound = [&] {
      return RunRound(settings.perClient, [&] {
        int first = 0;
        return client.AllocateFilmNumbers(&first, 1, "127.0.0.1");
      });
    };
    // Each goes first in every other round, so that neither gains from the order.
    RoundResult e{}, c{};
    replacements.Take();
    if (round % 2 == 0)
      e = echoRound(), c = counterRound();
    else
      c = counterRound(), e = echoRound();
    const double writes = replacements.Take() / double(kClients * settings.perClient);
    const double durable = DurableWriteCpuMicroseconds(settings.store, storeBytes);
    writesPerAllocation.push_back(writes);
    durableCpu.push_back(durable);
    counterCpuLessWrites.push_back((c.cpuMicroseconds - writes * durable) / e.cpuMicroseconds);
    echoRates.push_back(e.perSecond);
    echoP99.push_back(e.p99Microseconds);
    echoCpu.push_back(e.cpuMicroseconds);
    echoFaults.push_back(e.pageFaults);
    counterRates.push_back(c.perSecond);
    counterP99.push_back(c.p99Microseconds);
    counterCpu.push_back(c.cpuMicroseconds);
    counterFaults.push_back(c.pageFaults);
  }
  const int allocated = store.GetInt("Film Settings", "Next Film Number", -1);
  const double rate = Median(counterRates), reference = Median(echoRates);
  const double p99 = Median(counterP99), referenceP99 = Median(echoP99);
  std::printf("store: %s\n", settings.store.c_str());
  std::printf("clients: %d, transactions per client per round: %d, rounds: %d\n", kClients,
              settings.perClient, settings.rounds);
  std::printf("echo:    %10.0f transactions/s (median), p99 %8.1f us (median)\n", reference, referenceP99);
  std::printf("counter: %10.0f allocations/s  (median), p99 %8.1f us (median)\n", rate, p99);
  std::printf("time ratio (echo rate / counter rate): %.2f (goal <= 1.3)\n", reference / rate);
  std::printf("p99 ratio (counter / echo):            %.2f (goal <= 1.3)\n", p99 / referenceP99);
  std::printf("processor time per transaction (median): echo %.1f us, counter %.1f us, ratio %.2f\n",
              Median(echoCpu), Median(counterCpu), Median(counterCpu) / Median(echoCpu));
  std::printf("durable write of the settings file: %.1f us of processor time, %.2f writes per allocation\n",
              Median(durableCpu), Median(writesPerAllocation));
  std::printf(
      "processor time ratio less the durable writes:  %.2f (goal <= 1.3 where the durable write is the "
      "machine's)\n",
      Median(counterCpuLessWrites));
  std::printf("page faults per transaction (median): echo %.1f, counter %.1f\n", Median(echoFaults),
              Median(counterFaults));
  std::printf("numbers allocated: %d of %d\n", allocated, kClients * settings.perClient * settings.rounds);
  if (ownFolder) std::filesystem::remove_all(settings.store);
  bench::PrintMachineLoad(ticks);
  return 0;
}
