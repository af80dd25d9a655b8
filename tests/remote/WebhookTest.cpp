// Notifications POSTed to receivers on loopback: order, retries, a receiver
// that never answers, and nothing sent anywhere but the configured URLs.
#include "remote/Webhooks.h"

#include "platform/ProfileStore.h"
#include "remote/RemoteSettings.h"
#include "tests/platform/SilentListener.h"
#include "tests/platform/TempFolder.h"
#include "tests/station/StationFixture.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using nlohmann::json;

namespace {

// An HTTP receiver on a loopback port that records the bodies POSTed to "/hook".
class Receiver {
 public:
  explicit Receiver(int port) : m_port(port) {
    m_server.Post("/hook", [this](const httplib::Request& request, httplib::Response&) {
      std::lock_guard lock(m_lock);
      m_bodies.push_back(json::parse(request.body));
    });
    m_server.Post("/moved", [](const httplib::Request&, httplib::Response& response) {
      response.set_redirect("/hook");
    });
    EXPECT_TRUE(m_server.bind_to_port("127.0.0.1", m_port));
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
  }
  ~Receiver() {
    m_server.stop();
    m_thread.join();
  }
  std::string Url(const std::string& path = "/hook") const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
  }
  std::vector<json> Bodies() {
    std::lock_guard lock(m_lock);
    return m_bodies;
  }
  // The bodies once `count` arrived (or what arrived within the time-out).
  std::vector<json> WaitFor(std::size_t count, std::chrono::seconds timeout = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Bodies().size() < count && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(20ms);
    return Bodies();
  }

 private:
  int m_port;
  httplib::Server m_server;
  std::thread m_thread;
  std::mutex m_lock;
  std::vector<json> m_bodies;
};

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
  // Two events a photo, as a station publishes them.
  void PublishPhotos(int from, int to) {
    for (int counter = from; counter <= to; ++counter) {
      m_hub.Publish("photo-saved", json{{"counter", counter}}.dump());
      m_hub.Publish("status-changed", json{{"status", "Ok"}}.dump());
    }
  }
  // In rounds that fit the hub, each once `receivers` have it.
  void PublishInRounds(int from, int to, const std::vector<Receiver*>& receivers) {
    for (int first = from; first <= to; first += 5) {
      PublishPhotos(first, std::min(first + 4, to));
      for (Receiver* receiver : receivers) receiver->WaitFor(std::min(first + 4, to));
    }
  }
  static std::vector<int> Counters(const std::vector<json>& bodies) {
    std::vector<int> counters;
    for (const json& body : bodies) counters.push_back(body["data"]["counter"].get<int>());
    return counters;
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

TEST_F(WebhookTest, SettingsChooseTheEventsAndEachArrivesOnceInOrder) {
  TempFolder config;
  bx::ProfileStore profile(config.Path(), "BXGrabber");
  Receiver first(FreePort());
  Receiver second(FreePort());
  ASSERT_TRUE(profile.WriteString(remote::RemoteSettings::kSection, "Webhook URLs",
                                  first.Url() + "?key=secret  " + second.Url()));
  ASSERT_TRUE(
      profile.WriteString(remote::RemoteSettings::kSection, "Webhook Events", "photo-saved, camera-lost"));
  {
    remote::Webhooks hooks(m_hub, remote::Webhooks::Settings::Read(profile), "2", Log());
    ASSERT_EQ(hooks.Senders(), 2u);
    PublishInRounds(1, 20, {&first, &second});
    for (Receiver* receiver : {&first, &second}) {
      const std::vector<json> bodies = receiver->WaitFor(20);
      EXPECT_EQ(Counters(bodies), Range(1, 20));
      EXPECT_EQ(bodies.front()["event"], "photo-saved");
      EXPECT_EQ(bodies.front()["station"], "2");
    }
    std::this_thread::sleep_for(300ms);  // nothing more comes
  }
  EXPECT_EQ(first.Bodies().size(), 20u);
  EXPECT_EQ(second.Bodies().size(), 20u);
  EXPECT_EQ(Logged().find("secret"), std::string::npos) << Logged();
}

TEST_F(WebhookTest, AReceiverDownForFiveSecondsGetsTheRetriedEvents) {
  const int port = FreePort();
  remote::Webhooks hooks(m_hub, {{"http://127.0.0.1:" + std::to_string(port) + "/hook"}, {"photo-saved"}}, "",
                         Log());
  PublishPhotos(1, 3);
  std::this_thread::sleep_for(5s);
  Receiver late(port);
  EXPECT_EQ(Counters(late.WaitFor(3)), Range(1, 3));
}

TEST_F(WebhookTest, AReceiverThatNeverAnswersLosesTheOldestEventsAndStopsNobody) {
  const SilentListener silent;
  Receiver healthy(FreePort());
  {
    remote::WebhookPolicy quick{200ms, 1, 10ms};
    remote::Webhooks hooks(
        m_hub,
        {{"http://127.0.0.1:" + std::to_string(silent.Port()) + "/hook", healthy.Url()}, {"photo-saved"}}, "",
        Log(), quick);
    // The silent receiver's sender falls behind by more than the hub keeps.
    PublishInRounds(1, 30, {&healthy});
    EXPECT_EQ(Counters(healthy.WaitFor(30)), Range(1, 30));
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (Logged().find("oldest events dropped") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(20ms);
  }  // and stopping does not wait for the silent receiver's backlog
  EXPECT_NE(Logged().find("Webhook http://127.0.0.1:" + std::to_string(silent.Port()) + ": fell behind, "),
            std::string::npos)
      << Logged();
  EXPECT_NE(Logged().find("event dropped after 2 attempts"), std::string::npos) << Logged();
}

TEST_F(WebhookTest, OnlyTheConfiguredUrlsAreEverPosted) {
  Receiver receiver(FreePort());
  {
    remote::WebhookPolicy quick{500ms, 1, 10ms};
    remote::Webhooks hooks(m_hub,
                           {{receiver.Url("/moved"), "ftp://127.0.0.1/hook", "http://user@127.0.0.1/hook",
                             "http:///hook", "127.0.0.1/hook"},
                            {}},
                           "", Log(), quick);
    EXPECT_EQ(hooks.Senders(), 1u);
    PublishPhotos(1, 1);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Logged().find("event dropped") == std::string::npos && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(20ms);
  }
  // The redirect to "/hook" is a failure, never followed.
  EXPECT_TRUE(receiver.Bodies().empty());
  EXPECT_NE(Logged().find("event dropped after 2 attempts (status 302)"), std::string::npos) << Logged();
  for (int number : {2, 3, 4, 5})
    EXPECT_NE(Logged().find("Webhook URL number " + std::to_string(number) + " left out"), std::string::npos)
        << Logged();
}

TEST(WebhookTargetTest, SplitsOriginAndPath) {
  const auto target = remote::WebhookTarget::Parse("https://hooks.example:8443/a/b?c=1#top");
  ASSERT_TRUE(target);
  EXPECT_EQ(target->origin, "https://hooks.example:8443");
  EXPECT_EQ(target->path, "/a/b?c=1");
  EXPECT_EQ(remote::WebhookTarget::Parse("http://host")->path, "/");
  EXPECT_EQ(remote::WebhookTarget::Parse("http://host?x=1")->path, "/?x=1");
  EXPECT_FALSE(remote::WebhookTarget::Parse("http://host/a b"));
  EXPECT_FALSE(remote::WebhookTarget::Parse("http://:80/"));
}

}  // namespace
