#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <filesystem>
#include <thread>

#include "app/counter/CRemoteCounterClient.h"
#include "app/numbering/CPhotoNumbering.h"
#include "app/numbering/ImageTreePaths.h"
#include "platform/SimulatedSerialPort.h"
#include "tests/counter/CounterTestSupport.h"

namespace {

using namespace std::chrono_literals;

// Time that moves only when told to or when slept through.
class ManualClock final : public INumberingClock {
 public:
  TimePoint Now() override { return m_now; }
  void Sleep(std::chrono::milliseconds duration) override {
    m_sleeps.push_back(duration.count());
    m_now += duration;
  }
  void Advance(std::chrono::seconds duration) { m_now += duration; }
  const std::vector<long>& Sleeps() const { return m_sleeps; }

 private:
  TimePoint m_now = std::chrono::system_clock::from_time_t(1700000000);
  std::vector<long> m_sleeps;
};

// A local time on a given calendar day.
INumberingClock::TimePoint LocalNoon(int year, int month, int day) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = 12;
  parts.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&parts));
}

std::vector<bool> BreakChanges(const bx::SimulatedSerialPort& port) {
  std::vector<bool> changes;
  for (const auto& change : port.Changes())
    if (change.line == bx::SimulatedSerialPort::Line::Break) changes.push_back(change.on);
  return changes;
}

int BreakPulses(const bx::SimulatedSerialPort& port) {
  const auto changes = BreakChanges(port);
  return static_cast<int>(std::count(changes.begin(), changes.end(), false));
}

// The counter of a numbered photo; a failure, never a crash, when there is none.
int CounterOf(const std::optional<PhotoNumber>& number) {
  if (!number) {
    ADD_FAILURE() << "the photo got no number";
    return -1;
  }
  return number->counter;
}

class LocalNumberingTest : public ::testing::Test {
 protected:
  FastTempFolder folder;
  bx::ProfileStore store{folder.Path(), "BXGrabber"};
  ProfileCounterSettings settings{store};
  CRemoteCounterClient client{settings};
  ManualClock clock;
  CPhotoNumbering numbering{settings, client, clock, nullptr};

  int NextFilmNumber() { return store.GetInt("Film Settings", "Next Film Number", -1); }
};

TEST_F(LocalNumberingTest, FreshLocalCounterStartsAtOneAndStoresOnePlusCount) {
  int first = 0;
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 4, "localhost"));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(NextFilmNumber(), 5);
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 1, "LocalHost"));
  EXPECT_EQ(first, 5);
}

TEST_F(LocalNumberingTest, DeltaAndOffsetSpaceTheLocalNumbers) {
  store.WriteInt("Film Settings", "Delta Film Number", 2);
  store.WriteInt("Film Settings", "Offset Film Number", 2);
  std::vector<int> counters;
  for (int i = 0; i < 3; ++i) counters.push_back(CounterOf(numbering.NumberPhoto("localhost", 0)));
  EXPECT_EQ(counters, (std::vector<int>{2, 4, 6}));
}

TEST_F(LocalNumberingTest, ChunkIsUsedUpBeforeTheNextIsAllocated) {
  store.WriteInt("Database Settings", "Chunk Allocation", 10);
  std::vector<int> counters;
  for (int i = 0; i < 11; ++i) {  // ten photos within "Max Chunk Time" (20 s)
    counters.push_back(CounterOf(numbering.NumberPhoto("localhost", 0)));
    if (i == 0) {
      EXPECT_EQ(NextFilmNumber(), 11);
    }
    clock.Advance(2s);
  }
  for (int i = 0; i < 10; ++i) EXPECT_EQ(counters[i], 1 + i);
  EXPECT_EQ(counters[10], 11);
  EXPECT_EQ(NextFilmNumber(), 21);
}

TEST_F(LocalNumberingTest, ChunkOlderThanMaxChunkTimeIsAbandoned) {
  store.WriteInt("Database Settings", "Chunk Allocation", 10);
  std::vector<int> counters;
  for (int i = 0; i < 3; ++i) {
    counters.push_back(CounterOf(numbering.NumberPhoto("localhost", 0)));
    clock.Advance(30s);
  }
  EXPECT_EQ(counters, (std::vector<int>{1, 11, 21}));

  // Exactly "Max Chunk Time" seconds later the chunk is still open.
  clock.Advance(20s - 30s);
  EXPECT_EQ(CounterOf(numbering.NumberPhoto("localhost", 0)), 22);
  clock.Advance(20s);
  EXPECT_EQ(CounterOf(numbering.NumberPhoto("localhost", 0)), 31);
}

TEST_F(LocalNumberingTest, ChangedChunkSizeNeverUsesNumbersBeyondTheAllocation) {
  store.WriteInt("Database Settings", "Chunk Allocation", 2);
  EXPECT_EQ(CounterOf(numbering.NumberPhoto("localhost", 0)), 1);
  store.WriteInt("Database Settings", "Chunk Allocation", 5);
  EXPECT_EQ(CounterOf(numbering.NumberPhoto("localhost", 0)), 3);  // new chunk 3..7
  EXPECT_EQ(NextFilmNumber(), 8);
}

TEST_F(LocalNumberingTest, WithoutAutoIncreaseEveryPhotoReusesTheLastCounter) {
  store.WriteInt("Film Settings", "Next Film Number", 8);
  store.WriteInt("Database Settings", "Auto Increase", 0);
  for (int i = 0; i < 2; ++i) {
    const auto number = numbering.NumberPhoto("localhost", 0);
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(number->counter, 7);
    EXPECT_EQ(number->fileName, "img7.jpg");
  }
  EXPECT_EQ(NextFilmNumber(), 8);
}

TEST_F(LocalNumberingTest, ACorruptStoredCounterGivesNoNumberUntilItIsSet) {
  store.WriteString("Film Settings", "Next Film Number", "8O");  // a letter O typed for a zero
  EXPECT_FALSE(numbering.NumberPhoto("localhost", 0).has_value());
  store.WriteInt("Database Settings", "Auto Increase", 0);
  EXPECT_FALSE(numbering.NumberPhoto("localhost", 0).has_value());
  EXPECT_EQ(store.Find("Film Settings", "Next Film Number"), "8O");
  ASSERT_TRUE(client.SetFilmNumber(80, "localhost"));
  store.WriteInt("Database Settings", "Auto Increase", 1);
  EXPECT_EQ(CounterOf(numbering.NumberPhoto("localhost", 0)), 80);
}

TEST_F(LocalNumberingTest, ExternalCounterIsPulsedOncePerPhotoAndResetAtStart) {
  bx::SimulatedSerialPort port;
  ASSERT_TRUE(port.Open("COM1"));
  CPhotoNumbering withCounter(settings, client, clock, &port);
  store.WriteInt("Film Settings", "Next Film Number", 4);

  withCounter.NumberPhoto("localhost", 0);  // External Counter off
  EXPECT_EQ(BreakPulses(port), 0);
  store.WriteInt("Program Settings", "External Counter", 1);
  withCounter.NumberPhoto("localhost", 0);
  EXPECT_EQ(BreakPulses(port), 1);
  EXPECT_EQ(clock.Sleeps(), (std::vector<long>{100, 100}));

  // Start of acquisition: current number 6, a 1000 ms reset, then six pulses.
  withCounter.ResetExternalCounter("localhost");
  EXPECT_EQ(BreakPulses(port), 1 + 1 + 6);
  std::vector<long> expected{100, 100, 1000};
  for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {100, 100});
  EXPECT_EQ(clock.Sleeps(), expected);
  const auto changes = BreakChanges(port);
  ASSERT_EQ(changes.size(), 16u);
  for (std::size_t i = 0; i < changes.size(); ++i) EXPECT_EQ(changes[i], i % 2 == 0);

  port.Close();
  withCounter.PulseExternalCounter(3);  // a closed port is left alone
  EXPECT_EQ(BreakPulses(port), 8);
}

TEST(PhotoNumberingServed, UnreachableServerReportsFailureAndNeverReusesACounter) {
  ServedCounter served(OptionsOnFreePort());
  CRemoteCounterClient client(served.settings);
  ManualClock clock;
  CPhotoNumbering numbering(served.settings, client, clock, nullptr);
  const int port = served.basePort;
  served.store.WriteInt("Database Settings", "Chunk Allocation", 3);

  EXPECT_EQ(CounterOf(numbering.NumberPhoto("127.0.0.1", 0)), 0);
  EXPECT_EQ(CounterOf(numbering.NumberPhoto("127.0.0.1", 0)), 1);
  served.server.reset();
  // The open chunk still holds number 2; after it, nothing can be allocated.
  EXPECT_EQ(CounterOf(numbering.NumberPhoto("127.0.0.1", 0)), 2);
  EXPECT_FALSE(numbering.NumberPhoto("127.0.0.1", 0).has_value());
  EXPECT_FALSE(numbering.NumberPhoto("127.0.0.1", 0).has_value());
  served.store.WriteInt("Database Settings", "Chunk Allocation", 0);
  EXPECT_FALSE(numbering.NumberPhoto("127.0.0.1", 0).has_value());
  served.store.WriteInt("Database Settings", "Auto Increase", 0);
  EXPECT_FALSE(numbering.NumberPhoto("127.0.0.1", 0).has_value());

  CounterServerOptions options;
  options.basePort = port;
  served.server.emplace("", served.settings, served.power, options);
  served.store.WriteInt("Database Settings", "Auto Increase", 1);
  served.store.WriteInt("Database Settings", "Chunk Allocation", 3);
  EXPECT_EQ(CounterOf(numbering.NumberPhoto("127.0.0.1", 0)), 3);
}

TEST(PhotoNumberingServed, DateIsTheServerDatePlusShowDelayOrTheLocalClock) {
  ServedCounter served(OptionsOnFreePort());
  CRemoteCounterClient client(served.settings);
  ManualClock clock;
  CPhotoNumbering numbering(served.settings, client, clock, nullptr);

  const double before = bx::OleDateTime::Now().Value();
  const auto number = numbering.NumberPhoto("127.0.0.1", 3600);
  const double after = bx::OleDateTime::Now().Value();
  ASSERT_TRUE(number.has_value());
  EXPECT_GE(number->date.Value(), before + 1.0 / 24);
  EXPECT_LE(number->date.Value(), after + 1.0 / 24);
}

// Answers every request with value 42, except date requests, which it drops.
class DatelessServer {
 public:
  DatelessServer() : m_listener(OpenListener(m_port)) {
    m_thread = std::thread([this] { Serve(); });
  }
  ~DatelessServer() {
    m_stop = true;
    { RawConnection wake(m_port); }
    m_thread.join();
  }
  int Port() const { return m_port; }

 private:
  // A listener on a port the system picks; `port` receives it.
  static SocketHandle OpenListener(int& port) {
    SocketHandle socket(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(socket.Get(), 8) != 0 ||
        ::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return {};
    port = ntohs(address.sin_port);
    return socket;
  }
  void Serve() {
    while (!m_stop) {
      SocketHandle connection(::accept(m_listener.Get(), nullptr, nullptr));
      CounterMessage message;
      const Deadline deadline = std::chrono::steady_clock::now() + 10s;
      if (ReadExactly(connection.Get(), message.bytes(), deadline) != IoResult::Done ||
          message.Code() == static_cast<std::uint8_t>(CounterCommand::GetTime))
        continue;
      message.SetValue(42);
      message.SetCode(kCounterReplyMark);
      WriteAll(connection.Get(), message.bytes(), deadline);
    }
  }

  int m_port = 0;
  SocketHandle m_listener;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

TEST(PhotoNumberingDate, LocalClockStandsInForAMissingServerDate) {
  DatelessServer server;
  FastTempFolder folder;
  bx::ProfileStore store(folder.Path(), "BXGrabber");
  ProfileCounterSettings settings(store);
  store.WriteInt("Database Settings", "Counter Port", server.Port());
  CRemoteCounterClient client(settings);
  ManualClock clock;
  CPhotoNumbering numbering(settings, client, clock, nullptr);
  const auto number = numbering.NumberPhoto("127.0.0.1", 60);
  ASSERT_TRUE(number.has_value());
  EXPECT_EQ(number->counter, 42);
  const double expected =
      bx::OleDateTime::FromTimeT(std::chrono::system_clock::to_time_t(clock.Now())).Value() + 60.0 / 86400;
  EXPECT_NEAR(number->date.Value(), expected, 1e-9);
}

TEST(ImageTree, FolderAndFileFollowRootOperatorWeekdayAndCounter) {
  const auto tuesday = LocalNoon(2024, 6, 4);
  const int film = CPhotoNumbering::FilmNumberOf(tuesday);
  EXPECT_EQ(film, 3);
  EXPECT_EQ(CPhotoNumbering::FilmNumberOf(LocalNoon(2024, 6, 2)), 1);  // Sunday
  EXPECT_EQ(CPhotoNumbering::FilmNumberOf(LocalNoon(2024, 6, 8)), 7);  // Saturday
  EXPECT_EQ(CPhotoNumbering::FilmNumberOf(tuesday + std::chrono::hours(24 * 7)), 3);

  const auto paths = ImageTreePaths::For("/data/Photos/", "anna", film, 1234);
  EXPECT_EQ(paths.filePath, "/data/Photos/images/anna/3/img1234.jpg");
  EXPECT_EQ(ImageTreePaths::For("/data/Photos", "anna", 3, 1).filePath, "/data/Photosimages/anna/3/img1.jpg");

  EXPECT_EQ(ImageTreePaths::RootFolder("/data/Photos/"), "/data/Photos");
  EXPECT_EQ(ImageTreePaths::RootFolder("/data/Photos"), "/data");
  EXPECT_EQ(ImageTreePaths::RootFolder("Photos"), ".");

  FastTempFolder root;
  const auto created = ImageTreePaths::For(root.Path(), "anna", 3, 1234);
  EXPECT_EQ(created.CreateFolders(), std::nullopt);
  EXPECT_EQ(created.CreateFolders(), std::nullopt);  // existing folders are normal
  EXPECT_TRUE(std::filesystem::is_directory(created.filmFolder));
  const auto unmounted = ImageTreePaths::For(root.Path() + "mnt/", "anna", 3, 1);
  EXPECT_EQ(unmounted.CreateFolders(), "folder " + root.Path() + "mnt (\"DatabasePath\") does not exist");
  EXPECT_FALSE(std::filesystem::exists(root.Path() + "mnt"));

  // The names the photo's XML copy accepts, so that no photo is saved without it.
  for (const char* name : {"anna", "Anna Maria", "anna."})
    EXPECT_TRUE(ImageTreePaths::IsSafeOperatorName(name)) << name;
  for (const char* name : {"..", ".", "../x", "a/b", "/abs", "", "a..b", "..anna", "a\\b"})
    EXPECT_FALSE(ImageTreePaths::IsSafeOperatorName(name)) << name;
}

}  // namespace
