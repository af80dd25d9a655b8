// Who may control the film-number service, where it listens, and what it logs.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/LogTrace.h"
#include "app/counter/AllocationQueue.h"
#include "app/counter/CRemoteCounterClient.h"
#include "platform/OleDateTime.h"
#include "tests/counter/CounterTestSupport.h"

namespace {

sockaddr_storage Address(const char* text) {
  sockaddr_storage storage{};
  auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
  if (::inet_pton(AF_INET, text, &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
  } else if (::inet_pton(AF_INET6, text, &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
  } else {
    ADD_FAILURE() << "not an address: " << text;
  }
  return storage;
}

bool Allows(const CounterAccessList& list, const char* peer) {
  const sockaddr_storage address = Address(peer);
  return list.Allows(reinterpret_cast<const sockaddr*>(&address));
}

TEST(CounterAccessList, AddressesRangesAndNamesAreMatchedAcrossIpv4AndIpv6) {
  std::vector<std::string> unusable;
  const auto list = CounterAccessList::Parse(
      "10.1.2.3, 192.168.4.0/22;2001:db8::/32 localhost 10.0.0.0/33 nonsense/8 ::1/129", &unusable);
  EXPECT_FALSE(list.AllowsEveryone());
  EXPECT_TRUE(Allows(list, "10.1.2.3"));
  EXPECT_TRUE(Allows(list, "::ffff:10.1.2.3"));  // as a dual-stack listener sees it
  EXPECT_FALSE(Allows(list, "10.1.2.4"));
  EXPECT_TRUE(Allows(list, "192.168.7.255"));
  EXPECT_FALSE(Allows(list, "192.168.8.0"));
  EXPECT_TRUE(Allows(list, "2001:db8:ffff::1"));
  EXPECT_FALSE(Allows(list, "2001:db9::1"));
  EXPECT_TRUE(Allows(list, "127.0.0.1"));  // "localhost" resolved from the hosts file
  EXPECT_EQ(unusable, (std::vector<std::string>{"10.0.0.0/33", "nonsense/8", "::1/129"}));

  const auto everyone = CounterAccessList::Parse("  ");
  EXPECT_TRUE(everyone.AllowsEveryone());
  EXPECT_TRUE(Allows(everyone, "203.0.113.9"));
}

TEST(CounterAccessList, PeerAddressesAreShownPlain) {
  const sockaddr_storage mapped = Address("::ffff:192.0.2.7");
  const sockaddr_storage v6 = Address("2001:db8::5");
  EXPECT_EQ(PeerAddressText(reinterpret_cast<const sockaddr*>(&mapped)), "192.0.2.7");
  EXPECT_EQ(PeerAddressText(reinterpret_cast<const sockaddr*>(&v6)), "2001:db8::5");
}

// The log of one test, in its own folder.
class LoggedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheLog().SetFileName(m_logFolder.Path() + "counter.log");
    TheLog().Enable(true, false);
  }
  void TearDown() override {
    TheLog().Enable(false, false);
    CRemoteCounterServer::SetPayloadHandler({});
  }
  std::string Log() const {
    std::ifstream log(m_logFolder.Path() + "counter.log");
    std::stringstream text;
    text << log.rdbuf();
    return text.str();
  }

 private:
  FastTempFolder m_logFolder;
};

using CounterAccessTest = LoggedTest;

constexpr std::int32_t kActivePreset = 2;

CounterServerOptions AllowOnly(const std::string& clients) {
  CounterServerOptions options = OptionsOnFreePort();
  options.allowedClients = CounterAccessList::Parse(clients);
  return options;
}

// What a client outside the list may still do: count, read the time and ask
// for the active preset. Setting the counter, powering off, switching the
// preset and any other command are refused without a reply.
TEST_F(CounterAccessTest, ClientsOutsideTheListCanCountAndReadThePresetButNothingElse) {
  ServedCounter served(AllowOnly("192.0.2.0/24"));
  std::vector<std::int32_t> handled;  // the first int of every payload the station saw
  CRemoteCounterServer::SetPayloadHandler([&](std::span<std::uint8_t, kCounterPayloadSize> payload) {
    std::int32_t preset = 0;
    std::memcpy(&preset, payload.data(), sizeof preset);
    handled.push_back(preset);
    if (preset < 0) std::memcpy(payload.data(), &kActivePreset, sizeof kActivePreset);
  });
  CRemoteCounterClient client(served.settings);
  int number = -1;
  ASSERT_TRUE(client.AllocateFilmNumbers(&number, 3, "127.0.0.1"));
  EXPECT_EQ(number, 0);
  ASSERT_TRUE(client.GetFilmNumber(&number, "127.0.0.1"));
  EXPECT_EQ(number, 3);
  bx::OleDateTime date;
  EXPECT_TRUE(client.GetServerTime(&date, "127.0.0.1"));
  int preset = -1;
  ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1"));
  EXPECT_EQ(preset, kActivePreset);

  preset = 1;
  EXPECT_FALSE(client.ExchangeInt(&preset, "127.0.0.1"));
  EXPECT_EQ(handled, std::vector<std::int32_t>{-1});
  EXPECT_FALSE(client.ShutdownServer("127.0.0.1"));
  EXPECT_FALSE(client.SetFilmNumber(0, "127.0.0.1"));
  RawConnection unknown(*served.server->Port());
  CounterMessage request = CounterMessage::Request(CounterCommand::GetNumber);
  request.SetCode(9);
  ASSERT_TRUE(unknown.Send({request.bytes().begin(), request.bytes().end()}));
  EXPECT_TRUE(unknown.ClosedWithoutReply());
  EXPECT_TRUE(served.power.ShutdownCodes().empty());
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 3);
  const std::string log = Log();
  for (const char* line : {"Counter: request to power off from 127.0.0.1 refused: not an allowed client\n",
                           "Counter: request to set the counter to 0 from 127.0.0.1 refused",
                           "Counter: preset request 1 from 127.0.0.1 refused: not an allowed client\n",
                           "Counter: request 9 from 127.0.0.1 refused: not an allowed client\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line << log;
}

TEST_F(CounterAccessTest, ListedClientsControlAndEveryControlRequestIsLogged) {
  ServedCounter served(AllowOnly("192.0.2.0/24 127.0.0.1"));
  CRemoteCounterClient client(served.settings);
  ASSERT_TRUE(client.SetFilmNumber(40, "127.0.0.1"));
  ASSERT_TRUE(client.ShutdownServer("127.0.0.1"));
  int preset = -1;
  ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1"));
  EXPECT_EQ(served.power.ShutdownCodes(), std::vector<int>{0});
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 40);
  const std::string log = Log();
  for (const char* line :
       {"Counter: request to set the counter to 40 from 127.0.0.1\n",
        "Counter: request to power off from 127.0.0.1\n", "Counter: preset request -1 from 127.0.0.1\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line << log;
}

// One request cannot use up the shared counter: beyond the cap nothing is
// handed out and nothing stored.
TEST_F(CounterAccessTest, AllocationsBeyondTheCapChangeNothing) {
  ServedCounter served(OptionsOnFreePort());
  CRemoteCounterClient client(served.settings);
  const char* server = "127.0.0.1";
  ASSERT_TRUE(client.SetFilmNumber(10, server));
  int first = -1;
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, 2147483640, server));
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, kMaxAllocationCount + 1, server));
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 10);
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, kMaxAllocationCount, server));
  EXPECT_EQ(first, 10);
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 10, server));
  EXPECT_EQ(first, 10 + kMaxAllocationCount);
  EXPECT_NE(
      Log().find(
          "Counter: request to take 10001 numbers from 127.0.0.1 refused: one request takes 1 to 10000"),
      std::string::npos)
      << Log();
}

TEST(CounterListenAddress, TheServerListensOnTheGivenInterfaceOnly) {
  CounterServerOptions options = OptionsOnFreePort();
  options.listenAddress = "127.0.0.1";
  ServedCounter served(options);
  ASSERT_TRUE(served.server->Port().has_value());
  CRemoteCounterClient client(served.settings);
  int number = -1;
  EXPECT_TRUE(client.GetFilmNumber(&number, "127.0.0.1"));
  EXPECT_FALSE(client.GetFilmNumber(&number, "::1"));

  // An address of no interface of this machine cannot be listened on.
  options.listenAddress = "192.0.2.1";
  bx::RecordingMachinePower power;
  CRemoteCounterServer elsewhere("", served.settings, power, options);
  EXPECT_FALSE(elsewhere.Port().has_value());
}

using AllocationQueueTest = LoggedTest;

// A request is answered only after the write that covers it, and those that
// queued behind one write share the next.
TEST_F(AllocationQueueTest, QueuedRequestsShareTheNextWriteAndNoneReturnsBeforeIt) {
  AllocationQueue queue;
  std::mutex written;
  std::vector<std::size_t> batchSizes;
  std::int32_t next = 0;
  const AllocationQueue::Commit slow = [&](const std::vector<PendingAllocation*>& batch) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let others queue up
    std::lock_guard lock(written);
    batchSizes.push_back(batch.size());
    for (PendingAllocation* allocation : batch) {
      EXPECT_FALSE(allocation->done);
      allocation->first = next++;
      allocation->granted = true;
    }
  };
  std::vector<PendingAllocation> allocations(8);
  std::vector<std::thread> threads;
  for (auto& allocation : allocations)
    threads.emplace_back([&] {
      queue.Submit(allocation, slow);
      EXPECT_TRUE(allocation.granted);  // its write has run
    });
  for (auto& thread : threads) thread.join();
  std::set<std::int32_t> firsts;
  for (const auto& allocation : allocations) {
    EXPECT_TRUE(allocation.done);
    firsts.insert(allocation.first);
  }
  EXPECT_EQ(firsts.size(), allocations.size());
  EXPECT_LT(batchSizes.size(), allocations.size());
}

TEST_F(AllocationQueueTest, ACommitThatThrowsReleasesEveryWaiterWithAFailure) {
  AllocationQueue queue;
  std::atomic<int> commits{0};
  const AllocationQueue::Commit failing = [&](const std::vector<PendingAllocation*>&) {
    ++commits;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let others queue up
    throw std::runtime_error("disk gone");
  };
  std::vector<PendingAllocation> allocations(6);
  std::vector<std::thread> threads;
  for (auto& allocation : allocations)
    threads.emplace_back([&] {
      allocation.count = 1;
      queue.Submit(allocation, failing);
    });
  for (auto& thread : threads) thread.join();
  for (const auto& allocation : allocations) {
    EXPECT_TRUE(allocation.done);
    EXPECT_FALSE(allocation.granted);
  }
  EXPECT_GE(commits, 1);
  EXPECT_NE(Log().find("Counter: allocation failed: disk gone"), std::string::npos);

  PendingAllocation later;
  queue.Submit(later, [](const std::vector<PendingAllocation*>& batch) {
    for (PendingAllocation* allocation : batch) allocation->granted = true;
  });
  EXPECT_TRUE(later.granted);
}

}  // namespace
