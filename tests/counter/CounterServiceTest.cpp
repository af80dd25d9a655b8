#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <cstring>
#include <thread>

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

TEST_F(CounterServiceTest, PresetExchangeReportsOrAppliesThePreset) {
  std::atomic<int> active = 2;
  CRemoteCounterServer::SetPayloadHandler([&](std::span<std::uint8_t, kCounterPayloadSize> payload) {
    int preset = 0;
    std::memcpy(&preset, payload.data(), sizeof(preset));
    if (preset >= 0) {
      active = preset;
    } else {
      preset = active;
      std::memcpy(payload.data(), &preset, sizeof(preset));
    }
  });
  int preset = -1;
  ASSERT_TRUE(client.ExchangeInt(&preset, server));
  EXPECT_EQ(preset, 2);
  preset = 1;
  ASSERT_TRUE(client.ExchangeInt(&preset, server));
  EXPECT_EQ(active, 1);

  // Without a handler the payload comes back as sent.
  CRemoteCounterServer::SetPayloadHandler({});
  char payload[20] = "sixteen bytes ok";
  ASSERT_TRUE(client.Exchange(payload, sizeof(payload), server));
  EXPECT_STREQ(payload, "sixteen bytes ok");
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

TEST(CounterServerLimits, StopWakesTheListenerAndConnectedClients) {
  CounterServerOptions options = OptionsOnFreePort();
  options.idleTimeout = std::chrono::minutes(10);
  ServedCounter served(options);
  const int port = *served.server->Port();
  RawConnection idle(port);
  ASSERT_TRUE(WaitUntil([&] { return served.server->ConnectedClients() == 1; }));
  const auto start = std::chrono::steady_clock::now();
  served.server.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::minutes(1));
  EXPECT_TRUE(idle.ClosedWithoutReply());
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
  const int port = FindFreePort();
  CounterServerOptions options;
  options.basePort = port - 2;
  ServedCounter served(options, "2");
  ASSERT_EQ(served.server->Port(), port);
  CRemoteCounterClient client(served.settings);
  int first = -1;
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 1, "localhost:2"));
  EXPECT_EQ(first, 0);  // served: raw counter from 0, not local counting from 1
  EXPECT_EQ(served.store.GetInt("Film Settings", "Next Film Number", -1), 1);
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, 1, "127.0.0.1"));  // suffix "" is elsewhere
  EXPECT_FALSE(client.AllocateFilmNumbers(&first, 1, "127.0.0.1:"));  // host "127.0.0.1:"
}

TEST(CounterAddressing, UnreachableServerFails) {
  FastTempFolder folder;
  bx::ProfileStore store(folder.Path(), "BXGrabber");
  store.WriteInt("Database Settings", "Counter Port", FindFreePort());
  ProfileCounterSettings settings(store);
  CRemoteCounterClient client(settings);
  int number = 77;
  bx::OleDateTime date;
  EXPECT_FALSE(client.GetFilmNumber(&number, "127.0.0.1"));
  EXPECT_FALSE(client.AllocateFilmNumbers(&number, 1, "127.0.0.1"));
  EXPECT_FALSE(client.GetServerTime(&date, "127.0.0.1"));
  EXPECT_FALSE(client.ShutdownServer("no-such-host.invalid"));
  EXPECT_EQ(number, 77);
}

}  // namespace
