// Notifications POSTed to receivers on loopback: order, retries, a receiver
// that never answers, and nothing sent anywhere but the configured URLs.
#include "remote/Webhooks.h"

#include "tests/platform/SilentListener.h"
#include "StationTestBase.h"

#include "WebhookReceiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using nlohmann::json;

namespace {

class WebhookTest : public ::testing::Test {
 protected:
  remote::WebhookSender::Log Log() {
    return [this](const std::string& line) {
      std::lock_guard lock(m_logLock);
      m_log += line + "\n";
    };
  }
  std::string Logged() {
    std::lock_guard lock(m_logLock);
    return m_log;
  }
  // The log once it has `text`, or after 20 s.
  std::string LoggedOnce(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (Logged().find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(20ms);
    return Logged();
  }
  // Two events a photo, as a station publishes them.
  void PublishPhotos(int from, int to) {
    for (int counter = from; counter <= to; ++counter) {
      m_hub.Publish("photo-saved", json{{"counter", counter}}.dump());
      m_hub.Publish("status-changed", json{{"status", "Ok"}}.dump());
    }
  }
  // In rounds that fit the hub, each once `receivers` have it.
  void PublishInRounds(int from, int to, const std::vector<WebhookReceiver*>& receivers) {
    for (int first = from; first <= to; first += 5) {
      PublishPhotos(first, std::min(first + 4, to));
      for (WebhookReceiver* receiver : receivers) receiver->WaitFor(std::min(first + 4, to));
    }
  }
  static std::vector<int> Range(int from, int to) {
    std::vector<int> values;
    for (int value = from; value <= to; ++value) values.push_back(value);
    return values;
  }

  remote::EventHub m_hub{16};
  std::mutex m_logLock;
  std::string m_log;
};

TEST_F(WebhookTest, AReceiverDownForFiveSecondsGetsTheRetriedEvents) {
  const int port = FreePort();
  remote::Webhooks hooks(m_hub, {{"http://127.0.0.1:" + std::to_string(port) + "/hook"}, {"photo-saved"}}, "",
                         Log());
  PublishPhotos(1, 3);
  std::this_thread::sleep_for(5s);
  WebhookReceiver late(port);
  EXPECT_EQ(WebhookReceiver::Counters(late.WaitFor(3)), Range(1, 3));
}

TEST_F(WebhookTest, AReceiverThatNeverAnswersLosesTheOldestEventsAndStopsNobody) {
  const SilentListener silent;
  WebhookReceiver healthy(FreePort());
  {
    remote::WebhookPolicy quick{200ms, 1, 10ms};
    remote::Webhooks hooks(
        m_hub,
        {{"http://127.0.0.1:" + std::to_string(silent.Port()) + "/hook", healthy.Url()}, {"photo-saved"}}, "",
        Log(), quick);
    // The silent receiver's sender falls behind by more than the hub keeps.
    PublishInRounds(1, 30, {&healthy});
    EXPECT_EQ(WebhookReceiver::Counters(healthy.WaitFor(30)), Range(1, 30));
    LoggedOnce("oldest events dropped");
  }  // and stopping does not wait for the silent receiver's backlog
  EXPECT_NE(Logged().find("Webhook http://127.0.0.1:" + std::to_string(silent.Port()) + ": fell behind, "),
            std::string::npos)
      << Logged();
  EXPECT_NE(Logged().find("event dropped after 2 attempts"), std::string::npos) << Logged();
}

TEST_F(WebhookTest, OnlyTheConfiguredUrlsAreEverPosted) {
  WebhookReceiver receiver(FreePort());
  {
    remote::WebhookPolicy quick{500ms, 1, 10ms};
    remote::Webhooks hooks(m_hub,
                           {{receiver.Url("/moved"), "ftp://127.0.0.1/hook", "http://user@127.0.0.1/hook",
                             "http:///hook", "127.0.0.1/hook"},
                            {}},
                           "", Log(), quick);
    EXPECT_EQ(hooks.Senders(), 1u);
    PublishPhotos(1, 1);
    LoggedOnce("event dropped");
  }
  // The redirect to "/hook" is a failure, never followed.
  EXPECT_TRUE(receiver.Bodies().empty());
  EXPECT_NE(Logged().find("event dropped after 2 attempts (status 302)"), std::string::npos) << Logged();
  for (int number : {2, 3, 4, 5})
    EXPECT_NE(Logged().find("Webhook URL number " + std::to_string(number) + " left out"), std::string::npos)
        << Logged();
  // Query and fragment: the query is sent, the fragment is not.
  const auto target = remote::WebhookTarget::Parse("https://hooks.example:8443/a/b?c=1#top");
  ASSERT_TRUE(target);
  EXPECT_EQ(target->origin, "https://hooks.example:8443");
  EXPECT_EQ(target->path, "/a/b?c=1");
  EXPECT_EQ(remote::WebhookTarget::Parse("http://host?x=1")->path, "/?x=1");
}

}  // namespace

// A station on the simulated camera with its service on and two receivers,
// one of which never answers.
class StationWebhookTest : public StationTest {};

TEST_F(StationWebhookTest, EveryPhotoOfTwentyShotsArrivesOnceInOrderASilentReceiverHoldsNothingUp) {
  WebhookReceiver receiver(FreePort());
  const SilentListener silent;
  CountingStation& station =
      Start(true, true,
            "[Remote Settings]\nEnabled=1\nPort=" + std::to_string(FreePort()) +
                "\nWebhook URLs=" + receiver.Url() + " http://127.0.0.1:" + std::to_string(silent.Port()) +
                "/hook\nWebhook Events=photo-saved\n");
  ASSERT_NE(station.RemotePort(), 0);
  for (int shot = 1; shot <= 20; ++shot) ASSERT_TRUE(Shoot(station)) << "shot " << shot;
  EXPECT_EQ(m_folder.SavedPhotos().size(), 20u);
  // Only the chosen event: no status change, no camera found.
  const std::vector<json> bodies = receiver.WaitFor(20);
  ASSERT_FALSE(bodies.empty());
  EXPECT_EQ(bodies.front()["event"], "photo-saved");
  EXPECT_EQ(bodies.front()["station"], "");
  const std::vector<int> counters = WebhookReceiver::Counters(bodies);
  ASSERT_EQ(counters.size(), 20u);
  EXPECT_EQ(counters.back(), station.LastPhotoCounter());
  for (std::size_t i = 1; i < counters.size(); ++i) EXPECT_EQ(counters[i], counters[i - 1] + 1) << i;
  std::this_thread::sleep_for(300ms);  // nothing more comes
  EXPECT_EQ(receiver.Bodies().size(), 20u);
}
