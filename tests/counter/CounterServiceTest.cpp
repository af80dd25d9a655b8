#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>

#include "app/counter/CRemoteCounterClient.h"
#include "platform/OleDateTime.h"
#include "tests/counter/CounterTestSupport.h"

namespace {

CounterServerOptions ShortIdleOptions() {
  CounterServerOptions options = OptionsOnFreePort();
  options.idleTimeout = std::chrono::milliseconds(300);
  return options;
}

std::vector<std::uint8_t> Bytes(const CounterMessage& message) {
  return {message.bytes().begin(), message.bytes().end()};
}

class CounterServiceTest : public ::testing::Test {
 protected:
  void TearDown() override { CRemoteCounterServer::SetPayloadHandler({}); }

  ServedCounter served{ShortIdleOptions()};
  CRemoteCounterClient client{served.settings};
  const char* server = "127.0.0.1";
};

TEST_F(CounterServiceTest, FreshServedCounterStartsAtZeroAndStoresTheCount) {
  ASSERT_TRUE(served.server->Port().has_value());
  served.store.WriteInt("Film Settings", "Delta Film Number", 3);  // local counting only
  served.store.WriteInt("Film Settings", "Offset Film Number", 7);
  int first = -1;
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 5, server));
  EXPECT_EQ(first, 0);
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 5);
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 1, server));
  EXPECT_EQ(first, 5);

  int current = -1;
  ASSERT_TRUE(client.SetFilmNumber(100, server));
  ASSERT_TRUE(client.GetFilmNumber(&current, server));
  EXPECT_EQ(current, 100);
}

TEST_F(CounterServiceTest, WithoutAPayloadHandlerThePayloadComesBackAsSent) {
  CRemoteCounterServer::SetPayloadHandler({});
  char payload[20] = "sixteen bytes ok";
  ASSERT_TRUE(client.Exchange(payload, sizeof(payload), server));
  EXPECT_STREQ(payload, "sixteen bytes ok");
}

TEST_F(CounterServiceTest, CountsBelowOneAreRefusedAndTheCounterStays) {
  ASSERT_TRUE(client.SetFilmNumber(10, server));
  int first = -1;
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, 0, server));
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, -5, server));
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 1, server));
  EXPECT_EQ(first, 10);
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 11);
}

TEST_F(CounterServiceTest, ACorruptCounterStopsAllocationUntilItIsSet) {
  served.store.WriteString("Film Settings", "Next Film Number", "12x4?");
  int number = -1;
  EXPECT_FALSE(client.AllocateFilmNumbers(&number, 1, server));
  EXPECT_FALSE(client.GetFilmNumber(&number, server));
  EXPECT_EQ(served.store.Find("Film Settings", "Next Film Number"), "12x4?");  // left for the operator
  ASSERT_TRUE(client.SetFilmNumber(1204, server));
  ASSERT_TRUE(client.AllocateFilmNumbers(&number, 1, server));
  EXPECT_EQ(number, 1204);
}

TEST_F(CounterServiceTest, ShutdownGoesThroughMachinePower) {
  ASSERT_TRUE(client.ShutdownServer(server));
  EXPECT_EQ(served.power.ShutdownCodes(), std::vector<int>{0});
}

TEST_F(CounterServiceTest, MalformedRequestsEndTheConnectionWithoutReply) {
  const int port = *served.server->Port();
  CounterMessage wrongMagic = CounterMessage::Request(CounterCommand::Allocate);
  wrongMagic.bytes()[0] ^= 0x20;
  std::vector<std::uint8_t> tooLong = Bytes(CounterMessage::Request(CounterCommand::Allocate));
  tooLong.resize(30, 0);
  for (const auto& request : {Bytes(wrongMagic), tooLong}) {
    RawConnection connection(port);
    ASSERT_TRUE(connection.Send(request));
    EXPECT_TRUE(connection.ClosedWithoutReply());
  }
  // A truncated message never completes: the idle limit ends it.
  RawConnection truncated(port);
  ASSERT_TRUE(truncated.Send({0x56, 0x52, 0x41}));
  EXPECT_TRUE(truncated.ClosedWithoutReply());
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", 0), 0);
}

TEST_F(CounterServiceTest, AllocationThatWouldOverflowIsRefused) {
  ASSERT_TRUE(client.SetFilmNumber(2147483600, server));
  int first = 0;
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, 100, server));
  int current = 0;
  ASSERT_TRUE(client.GetFilmNumber(&current, server));
  EXPECT_EQ(current, 2147483600);
}

TEST(CounterServerLimits, ClientsBeyondTheLimitAreClosedAtOnce) {
  CounterServerOptions options = OptionsOnFreePort();
  options.maxClients = 2;
  ServedCounter served(options);  // idle limit 10 s: longer than any wait below
  const int port = *served.server->Port();
  auto idle1 = std::make_unique<RawConnection>(port);
  RawConnection idle2(port);
  ASSERT_TRUE(WaitUntil([&] { return served.server->ConnectedClients() == 2; }));
  RawConnection surplus(port);
  EXPECT_TRUE(surplus.ClosedWithoutReply(std::chrono::seconds(5)));

  idle1.reset();  // frees a slot
  ASSERT_TRUE(WaitUntil([&] { return served.server->ConnectedClients() == 1; }));
  CRemoteCounterClient client(served.settings);
  int first = -1;
  EXPECT_TRUE(client.AllocateFilmNumbers(&first, 1, "127.0.0.1"));
}

TEST(CounterServerLimits, IdleClientIsTimedOut) {
  ServedCounter served(ShortIdleOptions());
  RawConnection idle(*served.server->Port());
  EXPECT_TRUE(idle.ClosedWithoutReply());
  EXPECT_TRUE(WaitUntil([&] { return served.server->ConnectedClients() == 0; }));
}

// Threads of this process, as the kernel lists them.
std::ptrdiff_t ProcessThreads() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return std::distance(begin(tasks), end(tasks));
}

// A thread still running once the server is gone may use what its owner has
// already destroyed, or be cut short by the end of the process.
TEST(CounterServerLimits, StopWakesTheListenerAndEndsEveryClientThread) {
  CounterServerOptions options = OptionsOnFreePort();
  options.idleTimeout = std::chrono::minutes(10);
  constexpr int kConnections = 32;
  options.maxClients = kConnections;
  const std::ptrdiff_t threadsBefore = ProcessThreads();
  ServedCounter served(options);
  const int port = *served.server->Port();
  std::vector<std::unique_ptr<RawConnection>> idle;
  for (int i = 0; i < kConnections; ++i) idle.push_back(std::make_unique<RawConnection>(port));
  ASSERT_TRUE(WaitUntil([&] { return served.server->ConnectedClients() == kConnections; }));
  served.server.reset();
  EXPECT_EQ(ProcessThreads(), threadsBefore);
  for (const auto& connection : idle) EXPECT_TRUE(connection->ClosedWithoutReply());
  EXPECT_FALSE(RawConnection(port).IsConnected());
}

TEST(CounterServerLimits, PortInUseLeavesTheServerNotListening) {
  ServedCounter first(OptionsOnFreePort());
  CounterServerOptions options;
  options.basePort = first.basePort;
  bx::RecordingMachinePower power;
  CRemoteCounterServer second("", first.settings, power, options);
  EXPECT_FALSE(second.Port().has_value());
}

TEST(CounterAddressing, SuffixSelectsTheServerPortAndLocalhostWithSuffixIsNotLocal) {
  ServedCounter served(OptionsOnFreePort(), "2");
  ASSERT_EQ(served.server->Port(), served.basePort + 2);
  CRemoteCounterClient client(served.settings);
  int first = -1;
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 1, "localhost:2"));
  EXPECT_EQ(first, 0);  // served: raw counter from 0, not local counting from 1
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 1);
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, 1, "127.0.0.1"));   // suffix "" is elsewhere
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, 1, "127.0.0.1:"));  // host "127.0.0.1:"
}

TEST(CounterAddressing, UnreachableServerFails) {
  CounterSettingsFolder folder(FreePort());
  CRemoteCounterClient client(folder.settings);
  int number = 77;
  bx::OleDateTime date;
  EXPECT_FALSE(client.GetFilmNumber(&number, "127.0.0.1"));
  EXPECT_FALSE(client.AllocateFilmNumbers(&number, 1, "127.0.0.1"));
  EXPECT_FALSE(client.GetServerTime(&date, "127.0.0.1"));
  EXPECT_FALSE(client.ShutdownServer("127.0.0.1"));
  EXPECT_EQ(number, 77);
}

TEST(CounterAddressing, AnEmptyServerNameIsTheStationsOwnServer) {
  EXPECT_EQ(CounterServerFor("", "", ""), "127.0.0.1");
  EXPECT_EQ(CounterServerFor("", "3", "*"), "127.0.0.1:3");
  EXPECT_EQ(CounterServerFor("", "3", "192.168.7.2"), "192.168.7.2:3");
  EXPECT_EQ(CounterServerFor("", "", "::1"), "127.0.0.1");
  EXPECT_EQ(CounterServerFor("localhost", "3", ""), "localhost");
  EXPECT_EQ(CounterServerFor("hub:1", "3", ""), "hub:1");
}

}  // namespace
