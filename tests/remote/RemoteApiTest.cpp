// The API against the real station on the simulated camera: BXGrabber headless
// as a process of its own (and the station core in this process where a test
// reads the camera), its service on a free loopback port.
#include "ApiClient.h"
#include "Exposition.h"
#include "HeadlessStation.h"
#include "StationTestBase.h"

#include "tests/app/AppTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <future>

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

class RemoteApiTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("BX_SIM_SENSOR", "320x240", 1); }

  // A station whose named events trigger it, its service on a free port; `remote`
  // adds to "Remote Settings".
  void WriteProfile(const std::string& remote = "") {
    m_port = FreePort();
    m_client = ApiClient(m_port);
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                          "[Trigger Settings]\nTrigger Source=1\nTriggerFilter=0\nMinDelay=0\n"
                          "[Program Settings]\nEnable Log=1\n[Remote Settings]\nEnabled=1\nPort=" +
                              std::to_string(m_port) + "\n" + remote);
  }
  // Starts the station and waits until its service answers.
  void Start() {
    m_station = std::make_unique<HeadlessStation>(m_folder);
    ASSERT_TRUE(Eventually([&] { return m_client.Get("/api/v1/status").status != 0; }, 30s)) << Log();
  }
  std::string Log() const { return ReadFile((m_folder.StateFolder() / "BXGrabber.log").string()); }
  std::size_t Logged(const std::string& text) const { return Count(Log(), text); }
  json Status() { return json::parse(m_client.Get("/api/v1/status").body); }
  std::map<std::string, double> Metrics() {
    std::string error;
    const auto samples = ParseExposition(m_client.Get("/metrics").body, error);
    EXPECT_TRUE(samples) << "not exposition format: " << error;
    return samples.value_or(std::map<std::string, double>{});
  }
  bool TriggerUntil(std::size_t photos) {
    return PulseUntil(m_folder.RiseEventName(), [&] { return m_folder.SavedPhotos().size() >= photos; });
  }

  StationFolder m_folder;
  int m_port = 0;
  ApiClient m_client{0};
  std::unique_ptr<HeadlessStation> m_station;
};

TEST_F(RemoteApiTest, ThreeShotsShowInTheStatusTheMetricsAndTheLastPhoto) {
  WriteProfile();
  Start();
  json saved;
  for (int shot = 1; shot <= 3; ++shot) {
    const Reply reply = m_client.Send("POST", "/api/v1/shot?wait=10");
    ASSERT_EQ(reply.status, 200) << reply.body;
    saved = json::parse(reply.body);
    EXPECT_TRUE(fs::exists(m_folder.PhotoFolder() / saved["path"].get<std::string>())) << reply.body;
  }
  const json status = Status();
  EXPECT_EQ(status["status"], "Ok");
  EXPECT_EQ(status["photosSinceStart"], 3);
  EXPECT_EQ(status["photosToday"], 3);
  EXPECT_EQ(status["failedSaves"], 0);
  EXPECT_EQ(status["lastCounter"], saved["counter"]);
  EXPECT_EQ(status["lastPhoto"]["counter"], saved["counter"]);
  EXPECT_EQ(status["lastPhoto"]["path"], saved["path"]);
  EXPECT_EQ(status["camera"]["connected"], true);
  EXPECT_EQ(status["camera"]["transport"], "sim");
  EXPECT_EQ(status["triggerSource"], "event");
  EXPECT_EQ(status["inService"], true);

  const fs::path file = m_folder.PhotoFolder() / saved["path"].get<std::string>();
  const std::string bytes = ReadFile(file.string());
  const Reply photo = m_client.Get("/api/v1/photos/last");
  EXPECT_EQ(photo.Header("Content-Type"), "image/jpeg");
  EXPECT_TRUE(photo.body == bytes);
  // The thumbnail record is the stored size, then the JPEG up to the trailer.
  ImageTrailer trailer;
  ASSERT_TRUE(ReadImageTrailer(file, trailer));
  const std::size_t start = trailer.thumbnailOffset + 8;
  EXPECT_TRUE(m_client.Get("/api/v1/photos/last/thumbnail").body ==
              bytes.substr(start, bytes.size() - 64 - start));

  const Reply metrics = m_client.Get("/metrics");
  EXPECT_EQ(metrics.Header("Content-Type").rfind("text/plain; version=0.0.4", 0), 0u);
  auto samples = Metrics();
  EXPECT_EQ(samples["bx_photos_saved_total"], static_cast<double>(m_folder.SavedPhotos().size()));
  EXPECT_EQ(samples["bx_photos_saved_total"], 3);
  EXPECT_EQ(samples["bx_shot_to_disk_seconds_count"], 3);
  EXPECT_EQ(samples["bx_trigger_edges_total{source=\"api\"}"], 3);
  EXPECT_EQ(samples["bx_failed_saves_total"], 0);
  EXPECT_EQ(samples["bx_camera_connected"], 1);
  EXPECT_EQ(samples["bx_in_service"], 1);
}

TEST_F(RemoteApiTest, TheEventStreamSeesEveryPhotoSavedInOrder) {
  WriteProfile();
  Start();
  std::promise<void> subscribed;
  auto reader = std::async(std::launch::async, [&] {
    ApiClient client(m_port);
    bool told = false;
    return client.ReadEvents(
        "/api/v1/events",
        [&](const std::vector<SseEvent>& events) {
          if (!told && !events.empty()) subscribed.set_value();
          told = told || !events.empty();
          // The status is watched a few times a second: the change to "Ok" may
          // come after the last photo.
          const bool ok = std::any_of(events.begin(), events.end(), [](const SseEvent& e) {
            return e.name == "status-changed" && json::parse(e.data)["state"] == "Ok";
          });
          return ok && std::count_if(events.begin(), events.end(),
                                     [](const SseEvent& e) { return e.name == "photo-saved"; }) >= 5;
        },
        60s);
  });
  ASSERT_EQ(subscribed.get_future().wait_for(20s), std::future_status::ready);
  std::vector<int> counters;
  for (int shot = 0; shot < 5; ++shot) {
    const Reply reply = m_client.Send("POST", "/api/v1/shot?wait=10");
    ASSERT_EQ(reply.status, 200) << reply.body;
    counters.push_back(json::parse(reply.body)["counter"]);
  }
  const std::vector<SseEvent> events = reader.get();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].name, "status");
  EXPECT_EQ(json::parse(events[0].data)["photosSinceStart"], 0);
  std::vector<int> seen;
  for (const SseEvent& event : events) {
    if (event.name != "photo-saved") continue;
    const json data = json::parse(event.data);
    seen.push_back(data["counter"]);
    EXPECT_TRUE(fs::exists(m_folder.PhotoFolder() / data["path"].get<std::string>())) << event.data;
    EXPECT_EQ(data["operator"], "Operatore");
    EXPECT_TRUE(data["film"].is_number_integer());
  }
  EXPECT_EQ(seen, counters);
  // The first photo took the station from "Idle" to "Ok".
  EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const SseEvent& e) {
    return e.name == "status-changed" && json::parse(e.data)["state"] == "Ok";
  }));
}

TEST_F(RemoteApiTest, OutOfServiceIgnoresEveryTriggerAndSurvivesARestart) {
  WriteProfile();
  Start();
  const Reply out =
      m_client.Send("PUT", "/api/v1/service", R"({"inService": false, "reason": "printer out of paper"})");
  ASSERT_EQ(out.status, 200) << out.body;
  ASSERT_TRUE(PulseUntil(m_folder.RiseEventName(), [&] { return Logged("Shot ignored (event)") >= 1; }))
      << Log();
  ASSERT_TRUE(PulseUntil(m_folder.FallEventName(), [&] { return Logged("Trigger Fall Edge") >= 1; }))
      << Log();
  const Reply shot = m_client.Send("POST", "/api/v1/shot?wait=2");
  EXPECT_EQ(shot.status, 409);
  EXPECT_NE(shot.body.find("printer out of paper"), std::string::npos) << shot.body;
  EXPECT_EQ(Logged("Shot ignored (api): the station is out of service: printer out of paper"), 1u) << Log();
  json status = Status();
  EXPECT_EQ(status["inService"], false);
  EXPECT_EQ(status["serviceReason"], "printer out of paper");
  EXPECT_EQ(status["ignoredTriggers"], 2);
  EXPECT_EQ(Metrics()["bx_ignored_triggers_total"], 2);
  EXPECT_EQ(Metrics()["bx_in_service"], 0);
  EXPECT_TRUE(m_folder.SavedPhotos().empty());

  EXPECT_EQ(m_station->Stop(), 0);
  Start();
  status = Status();
  EXPECT_EQ(status["inService"], false);
  EXPECT_EQ(status["serviceReason"], "printer out of paper");
  ASSERT_EQ(m_client.Send("PUT", "/api/v1/service", R"({"inService": true})").status, 200);
  EXPECT_TRUE(TriggerUntil(1)) << Log();
  EXPECT_EQ(Status()["inService"], true);
}

TEST_F(RemoteApiTest, ATokenGuardsEveryEndpointAndTheSessionCookieOpensTheStream) {
  const std::string token = "s3cret-token-of-this-test";
  WriteProfile("Token=" + token + "\n");
  Start();
  for (const char* path : {"/api/v1/status", "/metrics", "/api/v1/photos/last", "/api/v1/events"}) {
    const Reply refused = m_client.Get(path);
    EXPECT_EQ(refused.status, 401) << path;
    EXPECT_EQ(refused.Header("WWW-Authenticate"), "Bearer") << path;
  }
  EXPECT_EQ(m_client.Send("POST", "/api/v1/shot").status, 401);
  m_client.SetHeader("Authorization", "Bearer " + token + "x");
  EXPECT_EQ(m_client.Get("/api/v1/status").status, 401);
  m_client.SetHeader("Authorization", "Bearer " + token);
  EXPECT_EQ(m_client.Get("/api/v1/status").status, 200);
  EXPECT_EQ(m_client.Get("/metrics").status, 200);

  ApiClient browser(m_port);
  const Reply wrong = browser.Send("POST", "/api/v1/session", R"({"token": "guess"})");
  EXPECT_EQ(wrong.status, 401);
  EXPECT_EQ(wrong.Header("Set-Cookie"), "");
  const Reply signedIn = browser.Send("POST", "/api/v1/session", json{{"token", token}}.dump());
  ASSERT_EQ(signedIn.status, 200);
  const std::string cookie = signedIn.Header("Set-Cookie");
  EXPECT_NE(cookie.find("; HttpOnly"), std::string::npos) << cookie;
  EXPECT_NE(cookie.find("; SameSite=Strict"), std::string::npos) << cookie;
  browser.SetHeader("Cookie", cookie.substr(0, cookie.find(';')));
  EXPECT_EQ(browser.Get("/api/v1/status").status, 200);
  const auto events = browser.ReadEvents(
      "/api/v1/events", [](const auto& seen) { return !seen.empty(); }, 20s);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].name, "status");
  EXPECT_EQ(Logged(token), 0u);
}

TEST_F(RemoteApiTest, BadInputGetsItsStatusCodeAndShotsGoOn) {
  WriteProfile();
  Start();
  struct Case {
    const char* method;
    std::string path;
    std::string body;
    int status;
  };
  const std::vector<Case> cases = {
      {"GET", "/api/v1/nothing", "", 404},
      {"GET", "/api/v1/shot", "", 405},
      {"DELETE", "/api/v1/status", "", 405},
      {"PUT", "/api/v1/service", "{bad", 400},
      {"PUT", "/api/v1/service", "[true]", 400},
      {"PUT", "/api/v1/service", R"({"inService": "no"})", 400},
      {"PUT", "/api/v1/service", R"({"inService": true, "reason": 5})", 400},
      {"PUT", "/api/v1/service", R"({"reason": "x"})", 400},
      {"PUT", "/api/v1/service", std::string(64 * 1024 + 1, ' '), 413},
      {"POST", "/api/v1/shot?wait=abc", "", 400},
      {"POST", "/api/v1/shot?wait=31", "", 400},
      {"POST", "/api/v1/shot?wait=0", "", 400},
      {"POST", "/api/v1/preset/x", "", 404},
      {"POST", "/api/v1/preset/3", "", 404},
      {"GET", "/api/v1/photos/last", "", 404},
  };
  for (const Case& c : cases) {
    const Reply reply = m_client.Send(c.method, c.path, c.body);
    EXPECT_EQ(reply.status, c.status) << c.method << " " << c.path << " " << c.body.substr(0, 40);
    const json error = json::parse(reply.body, nullptr, false);
    ASSERT_TRUE(error.is_object() && error["error"].is_string()) << reply.body;
    EXPECT_EQ(error["error"].get<std::string>().find('\n'), std::string::npos);
  }
  EXPECT_EQ(m_client.Get("/api/v1/shot").Header("Allow"), "POST");

  // Connections beyond the limit are turned away while the others stream on.
  std::vector<std::unique_ptr<RawConnection>> streams;
  for (int i = 0; i < 24; ++i) {
    streams.push_back(std::make_unique<RawConnection>(m_port));
    ASSERT_TRUE(streams.back()->Send("GET /api/v1/events HTTP/1.1\r\nHost: station\r\n\r\n"));
    ASSERT_TRUE(streams.back()->ReadUntil("event: status", 10s)) << "stream " << i;
  }
  const Reply busy = m_client.Get("/api/v1/status");
  EXPECT_EQ(busy.status, 503);
  EXPECT_EQ(busy.Header("Retry-After"), "1");
  streams.clear();
  EXPECT_TRUE(Eventually([&] { return m_client.Get("/api/v1/status").status == 200; }, 30s));

  // A client that stops half-way through its request is cut off.
  RawConnection slow(m_port);
  ASSERT_TRUE(slow.Send("GET /api/v1/status HTTP/1.1\r\nHost: sta"));
  EXPECT_TRUE(slow.ClosedWithin(15s));
  EXPECT_EQ(m_client.Send("POST", "/api/v1/shot?wait=10").status, 200);
}

TEST_F(RemoteApiTest, AnOpenAddressWithoutTokenIsRefusedAndTheStationRunsOn) {
  WriteProfile("Listen Address=0.0.0.0\n");
  m_station = std::make_unique<HeadlessStation>(m_folder);
  EXPECT_TRUE(Eventually(
      [&] {
        return Logged("Remote service not started: listen address 0.0.0.0 is not a loopback address") == 1;
      },
      30s))
      << Log();
  EXPECT_TRUE(TriggerUntil(1)) << Log();
  EXPECT_EQ(m_client.Get("/api/v1/status").status, 0);
}

TEST_F(RemoteApiTest, ATakenPortIsLoggedAndTheStationRunsOn) {
  WriteProfile();
  const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(m_port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(taken, 1), 0);
  m_station = std::make_unique<HeadlessStation>(m_folder);
  EXPECT_TRUE(Eventually(
      [&] {
        return Logged("Remote service not started: cannot listen on 127.0.0.1:" + std::to_string(m_port)) ==
               1;
      },
      30s))
      << Log();
  EXPECT_TRUE(TriggerUntil(1)) << Log();
  ::close(taken);
}

// The preset through the API reaches the camera: read in this process.
class RemotePresetTest : public StationTest {};

TEST_F(RemotePresetTest, PresetOneAppliesItsCameraSettings) {
  const std::string properties = (m_folder.Root() / "Properties.xml").string();
  WriteFile(properties,
            "<Set0><PylonCamera><CameraProperties><ExposureTimeRaw value=\"300\"/></CameraProperties>"
            "</PylonCamera></Set0><Set1><PylonCamera><CameraProperties><ExposureTimeRaw value=\"700\"/>"
            "</CameraProperties></PylonCamera></Set1>");
  const int port = FreePort();
  CountingStation& station = Start(false, true,
                                   "[Program Settings]\nProperties File Name=" + properties +
                                       "\n[Remote Settings]\nEnabled=1\nPort=" + std::to_string(port) + "\n");
  ASSERT_EQ(station.RemotePort(), port);
  const auto exposure = [&] {
    return GenApi::CIntegerPtr(station.GetNodeMap()->GetNode("ExposureTimeRaw"))->GetValue();
  };
  EXPECT_EQ(exposure(), 300);
  ApiClient client(port);
  const Reply reply = client.Send("POST", "/api/v1/preset/1");
  EXPECT_EQ(reply.status, 200) << reply.body;
  EXPECT_TRUE(Eventually([&] { return exposure() == 700; }));
  const json status = json::parse(client.Get("/api/v1/status").body);
  EXPECT_EQ(status["preset"], 1);
  EXPECT_EQ(status["presetName"], "Low Light");
  EXPECT_EQ(client.Send("POST", "/api/v1/preset/-1").status, 404);
  EXPECT_EQ(station.GetPreset(), 1);
}

}  // namespace
