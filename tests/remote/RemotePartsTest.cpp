// The service's parts on their own: the event hub, the authentication, the
// settings, the counts and the metrics text.
#include "Exposition.h"
#include "StationFixture.h"

#include "platform/ProfileStore.h"
#include "remote/Authenticator.h"
#include "remote/EventHub.h"
#include "remote/MetricsText.h"
#include "remote/RemoteSettings.h"
#include "remote/StationTally.h"

#include <gtest/gtest.h>

#include <future>

using namespace remote;
using namespace std::chrono_literals;

TEST(EventHubTest, ASubscriberFarBehindIsToldWhatItMissedAndCloseWakesWaiters) {
  EventHub hub(4);
  std::uint64_t cursor = hub.NextId();
  for (int i = 1; i <= 6; ++i) hub.Publish("e" + std::to_string(i), "{}");
  EventHub::Batch batch = hub.WaitFrom(cursor, 0ms);
  EXPECT_EQ(batch.missed, 2u);
  ASSERT_EQ(batch.events.size(), 4u);
  EXPECT_EQ(batch.events.front().name, "e3");
  EXPECT_EQ(batch.events.back().id, 6u);
  EXPECT_TRUE(hub.WaitFrom(cursor, 0ms).events.empty());

  auto waiter = std::async(std::launch::async, [&] { return hub.WaitFrom(cursor, 60s); });
  hub.Publish("e7", "{\"a\":1}");
  batch = waiter.get();
  ASSERT_EQ(batch.events.size(), 1u);
  EXPECT_EQ(batch.events[0].json, "{\"a\":1}");
  waiter = std::async(std::launch::async, [&] { return hub.WaitFrom(cursor, 60s); });
  hub.Close();
  EXPECT_TRUE(waiter.get().closed);
}

TEST(AuthenticatorTest, TokenAndSessionsOpenTheDoorNothingElseDoes) {
  EXPECT_TRUE(Authenticator("").Allows("", ""));
  Authenticator guard("s3cret");
  EXPECT_FALSE(guard.Allows("", ""));
  EXPECT_TRUE(guard.Allows("Bearer s3cret", ""));
  for (const char* wrong :
       {"Bearer s3cre", "Bearer s3cret2", "Bearer S3CRET", "s3cret", "Basic s3cret", "Bearer "})
    EXPECT_FALSE(guard.Allows(wrong, "")) << wrong;
  EXPECT_FALSE(guard.Allows("", "bx_session=0123"));

  const std::string cookie = guard.OpenSession();
  EXPECT_NE(cookie.find("; HttpOnly"), std::string::npos);
  EXPECT_NE(cookie.find("; SameSite=Strict"), std::string::npos);
  const std::string session = cookie.substr(0, cookie.find(';'));
  EXPECT_TRUE(guard.Allows("", "theme=dark; " + session));
  EXPECT_FALSE(guard.Allows("", session + "0"));
  // A wrong bearer is not saved by a good cookie: the header says who it is.
  EXPECT_FALSE(guard.Allows("Bearer nope", session));

  for (std::size_t i = 0; i < Authenticator::kMaxSessions; ++i) guard.OpenSession();
  EXPECT_FALSE(guard.Allows("", session)) << "the oldest session goes first";

  EXPECT_TRUE(Authenticator::SameSecret("", ""));
  EXPECT_FALSE(Authenticator::SameSecret("abc", std::string("abc\0", 4)));
  EXPECT_FALSE(Authenticator::SameSecret("abc", ""));
}

TEST(RemoteSettingsTest, PortFollowsTheInstanceAndAnOpenAddressNeedsAToken) {
  const StationFolder folder;
  bx::ProfileStore profile(folder.ConfigFolder().string(), "BXGrabber");
  RemoteSettings settings = RemoteSettings::Read(profile, "2");
  EXPECT_TRUE(settings.enabled);
  EXPECT_EQ(settings.listenAddress, "127.0.0.1");
  EXPECT_EQ(settings.port, RemoteSettings::kBasePort + 2);
  EXPECT_EQ(settings.Refusal(), "");

  settings.listenAddress = "0.0.0.0";
  EXPECT_NE(settings.Refusal().find("not a loopback address and no \"Token\""), std::string::npos);
  settings.token = "t";
  EXPECT_EQ(settings.Refusal(), "");
  for (const char* loopback : {"127.0.0.1", "127.3.2.1", "::1", "localhost"})
    EXPECT_TRUE(RemoteSettings::IsLoopback(loopback)) << loopback;
  for (const char* other : {"0.0.0.0", "10.0.0.1", "::", "", "example.org", "128.0.0.1"})
    EXPECT_FALSE(RemoteSettings::IsLoopback(other)) << other;

  ASSERT_TRUE(RemoteSettings::StoreService(profile, false, "camera moved"));
  profile.WriteInt(RemoteSettings::kSection, "Port", 9000);
  settings = RemoteSettings::Read(profile, "2");
  EXPECT_FALSE(settings.inService);
  EXPECT_EQ(settings.serviceReason, "camera moved");
  EXPECT_EQ(settings.port, 9000);
}

TEST(StationTallyTest, TodayStartsAtZeroOnANewDayAndTheHistogramIsCumulative) {
  StationTally tally;
  const auto day = StationTally::Clock::now();
  tally.PhotoSaved(day, 0.07);
  tally.PhotoSaved(day, 3.0);
  tally.Triggered("api");
  tally.Triggered("api");
  tally.TriggerIgnored();
  StationSnapshot snapshot;
  tally.Fill(snapshot, day);
  EXPECT_EQ(snapshot.photosToday, 2u);
  EXPECT_EQ(snapshot.photosSinceStart, 2u);
  EXPECT_EQ(snapshot.triggersBySource.at("api"), 2u);
  const auto& h = snapshot.shotToDisk;
  EXPECT_EQ(h.cumulative[0], 0u);  // 0.05
  EXPECT_EQ(h.cumulative[1], 1u);  // 0.1
  EXPECT_EQ(h.cumulative[6], 2u);  // 5
  EXPECT_EQ(h.count, 2u);
  EXPECT_DOUBLE_EQ(h.sumSeconds, 3.07);

  tally.Fill(snapshot, day + 24h);
  EXPECT_EQ(snapshot.photosToday, 0u);
  tally.PhotoSaved(day + 24h, 0.01);
  tally.Fill(snapshot, day + 24h);
  EXPECT_EQ(snapshot.photosToday, 1u);
  EXPECT_EQ(snapshot.photosSinceStart, 3u);

  snapshot.triggersBySource["odd \"source\"\n"] = 1;
  std::string error;
  const auto samples = ParseExposition(MetricsText(snapshot), error);
  ASSERT_TRUE(samples) << error;
  EXPECT_EQ(samples->at("bx_shot_to_disk_seconds_bucket{le=\"+Inf\"}"), 3);
  EXPECT_EQ(samples->at("bx_shot_to_disk_seconds_bucket{le=\"0.05\"}"), 1);
  EXPECT_EQ(samples->at("bx_ignored_triggers_total"), 1);
  EXPECT_EQ(samples->at("bx_trigger_edges_total{source=\"odd \\\"source\\\"\\n\"}"), 1);
}
