#include <gtest/gtest.h>

#include "app/counter/CounterMessage.h"
#include "app/counter/CounterServerAddress.h"

namespace {

TEST(CounterMessage, LayoutIsLittleEndianWithSharedDataOffset) {
  CounterMessage message = CounterMessage::Request(CounterCommand::Allocate);
  message.SetValue(0x01020304);
  const auto& bytes = message.bytes();
  EXPECT_EQ((std::vector<int>(bytes.begin(), bytes.begin() + 9)),
            (std::vector<int>{'V', 'R', 'A', 'T', 1, 4, 3, 2, 1}));
  EXPECT_TRUE(std::all_of(bytes.begin() + 9, bytes.end(), [](auto b) { return b == 0; }));
  EXPECT_FALSE(message.IsReply());

  message.SetValue(-2);
  EXPECT_EQ(message.Value(), -2);
  message.SetDate(45000.75);
  EXPECT_EQ(message.Date(), 45000.75);
  EXPECT_EQ(bytes[12], 0x40);  // the double's sign and exponent byte, last of the eight
  EXPECT_EQ(message.Payload().data(), bytes.data() + 5);

  message.SetCode(kCounterReplyMark);
  EXPECT_TRUE(message.IsReply());
  message.bytes()[3] = 'X';
  EXPECT_FALSE(message.IsReply());
}

TEST(CounterServerAddress, LocalhostHostAndSuffixRules) {
  for (const char* local : {"localhost", "LOCALHOST", "LocalHost"}) {
    const auto address = CounterServerAddress::Parse(local);
    EXPECT_TRUE(address.local) << local;
    EXPECT_EQ(address.host, local);
  }
  const auto suffixed = CounterServerAddress::Parse("localhost:2");
  EXPECT_FALSE(suffixed.local);
  EXPECT_EQ(suffixed.host, "localhost");
  EXPECT_EQ(suffixed.suffix, "2");

  const auto trailing = CounterServerAddress::Parse("station:");
  EXPECT_FALSE(trailing.local);
  EXPECT_EQ(trailing.host, "station:");
  EXPECT_EQ(trailing.suffix, "");

  EXPECT_EQ(CounterServerAddress::Parse(":5").host, ":5");
  EXPECT_EQ(CounterServerAddress::Parse("a:b:c").suffix, "b:c");
  EXPECT_EQ(CounterServerAddress::Parse("server7").host, "server7");
  EXPECT_EQ(CounterServerAddress::Parse("localhost ").local, false);
}

TEST(CounterServerAddress, PortIsBasePlusLeadingIntegerOfSuffix) {
  EXPECT_EQ(CounterServerPort(47900, ""), 47900);
  EXPECT_EQ(CounterServerPort(47900, "3"), 47903);
  EXPECT_EQ(CounterServerPort(47900, "12abc"), 47912);
  EXPECT_EQ(CounterServerPort(47900, "abc"), 47900);
  EXPECT_EQ(CounterServerPort(47900, "-900"), 47000);
  EXPECT_EQ(CounterServerPort(47900, "99999999999999999999"), std::nullopt);
  EXPECT_EQ(CounterServerPort(47900, "-47900"), std::nullopt);
  EXPECT_EQ(CounterServerPort(65535, "1"), std::nullopt);
}

}  // namespace
