// Status requests per second through the station's HTTP service (router, token
// check, the station's snapshot made into JSON) against the same HTTP library
// serving the same bytes as a fixed text, both on loopback. Eight clients on
// kept-alive connections; rounds alternate between the two and the medians and
// their ratio are printed (the service's rate over the fixed text's).
//
// usage: remote_status [--rounds N] [--requests N]   (N per client and round)

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/AlternatingRuns.h"
#include "bench/common/FreePort.h"
#include "bench/common/MachineProbe.h"
#include "remote/IRemoteStation.h"
#include "remote/RemoteService.h"
#include "remote/StationFeed.h"

namespace {

constexpr int kClients = 8;
constexpr const char* kStatus = "/api/v1/status";

// A station as a running one describes itself; nothing it is asked changes it.
class FixedStation final : public remote::IRemoteStation {
 public:
  remote::StationSnapshot Snapshot() const override {
    remote::StationSnapshot snapshot;
    snapshot.state = "Ok";
    snapshot.cameraConnected = true;
    snapshot.cameraModel = "Simulated";
    snapshot.cameraSerial = "21900001";
    snapshot.cameraTransport = "sim";
    snapshot.presetName = "Normal";
    return snapshot;
  }
  std::string Shoot() override { return "benchmark station"; }
  bool ApplyPreset(int) override { return false; }
  void SetInService(bool, const std::string&) override {}
};

// Requests per second of kClients clients, `requests` each; failures counted.
double RequestRate(int port, int requests, std::atomic<int>& failures) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c)
    clients.emplace_back([&] {
      httplib::Client client("127.0.0.1", port);
      client.set_keep_alive(true);
      for (int i = 0; i < requests; ++i) {
        const httplib::Result result = client.Get(kStatus);
        if (!result || result->status != 200) ++failures;
      }
    });
  for (std::thread& client : clients) client.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return kClients * requests / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 6, requests = 500;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--requests") requests = std::max(1, std::atoi(argv[i + 1]));
  }
  bench::PrintMachineProbe();
  const bench::CpuTicks ticks = bench::ReadCpuTicks();

  FixedStation station;
  remote::StationFeed feed;
  remote::RemoteSettings settings;
  settings.port = bench::FreeLoopbackPort();
  remote::RemoteService service(station, feed, settings, [](const std::string& line) {
    std::fprintf(stderr, "service: %s\n", line.c_str());
  });
  if (!service.Start()) return 1;
  const httplib::Result first = httplib::Client("127.0.0.1", service.Port()).Get(kStatus);
  if (!first || first->status != 200) {
    std::fprintf(stderr, "remote_status: the service did not answer %s\n", kStatus);
    return 1;
  }
  const std::string body = first->body;
  httplib::Server fixed;
  fixed.set_tcp_nodelay(true);  // as the service sets it
  fixed.Get(kStatus, [&body](const httplib::Request&, httplib::Response& response) {
    response.set_content(body, "application/json");
  });
  const int fixedPort = fixed.bind_to_any_port("127.0.0.1");
  std::thread server([&fixed] { fixed.listen_after_bind(); });
  while (!fixed.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  std::atomic<int> failures{0};
  std::vector<double> ours, reference;
  for (int round = 0; round < rounds; ++round) {
    // Each goes first every other round.
    if (round % 2) ours.push_back(RequestRate(service.Port(), requests, failures));
    reference.push_back(RequestRate(fixedPort, requests, failures));
    if (round % 2 == 0) ours.push_back(RequestRate(service.Port(), requests, failures));
  }
  fixed.stop();
  server.join();
  const double oursRate = bench::Median(ours), referenceRate = bench::Median(reference);
  std::printf(
      "clients: %d on kept-alive connections, %d requests each per round, %d rounds; %zu-byte status\n",
      kClients, requests, rounds, body.size());
  std::printf("service status route: %9.0f requests/s (median)\n", oursRate);
  std::printf("fixed text, same library: %9.0f requests/s (median)\n", referenceRate);
  std::printf("rate ratio (service / fixed text): %.2f (goal >= 0.70); %d requests failed\n",
              oursRate / referenceRate, failures.load());
  bench::PrintMachineLoad(ticks);
  return failures == 0 ? 0 : 1;
}
