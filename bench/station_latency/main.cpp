// Latency from a software shot to the photo (JPEG and thumbnail) on disk, and
// the fastest sustained shot rate without a dropped frame, for 2448 x 2048
// frames of the simulated camera; each as a ratio to the save sequence alone
// (save, then embed the thumbnail) on the same photo, measured in the same run.
//   station_latency [--database sqlite|postgresql] [--remote]
// With --database the station records every shot (photo row, XML copy, tally) in
// a database of the run's own: an SQLite file, or a PostgreSQL schema dropped at
// the end. With --remote the station's HTTP service listens on a loopback port of
// the run's own, and every round adds a shot taken while clients keep the
// service busy, so that both latencies are measured under the same machine load.
// Without it the service is off.
#include "app/GrabberApp.h"
#include "app/station/CGrabberDlg.h"
#include "app/station/HeadlessHost.h"
#include "app/station/ShotStages.h"
#include "bench/common/FreePort.h"
#include "bench/common/MachineProbe.h"
#include "bench/save_sequence/SaveSequence.h"
#include "bench/station_latency/ServiceLoad.h"
#include "platform/FileReplace.h"
#include "platform/ProgramRestart.h"
#include "platform/RecordingMachinePower.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"
#include "records/DatabaseSchema.h"
#include "odbc/CDBException.h"
#include "odbc/OdbcSession.h"
#include "records/CStorySet.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLatencyShots = 40;
constexpr int kRateShots = 30;

// Notes when each frame reaches the station from the camera, and keeps a copy
// of the first one: the pixels the station saves (no rotation, default colour).
class TimedStation : public CGrabberDlg {
 public:
  using CGrabberDlg::CGrabberDlg;
  std::atomic<Clock::rep> lastArrival{0};
  std::atomic<bool> haveFrame{false};
  CxImage firstFrame;  // written once on the grab thread before haveFrame

  void OnNewImage(IplImage* frame, ImageOwnership kind) override {
    lastArrival = Clock::now().time_since_epoch().count();
    if (!haveFrame && frame != nullptr && frame->imageData != nullptr && firstFrame.Create(frame, CF_COPY))
      haveFrame = true;
    CGrabberDlg::OnNewImage(frame, kind);
  }
};

struct Latencies {
  std::vector<double> shotToDisk;   // software shot to photo on disk
  std::vector<double> frameToDisk;  // frame delivered by the camera to photo on disk
  std::vector<ShotStages> stages;   // the station's own timings of each shot
  std::vector<double> faults;       // page faults the process took during each shot
};

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * (values.size() - 1) + 0.5));
  return values[at];
}

// Every stage's median over the shots: where the time from shot to photo goes.
void PrintStages(const std::vector<ShotStages>& shots) {
  struct Row {
    const char* name;
    ShotStages::Duration ShotStages::*stage;
  };
  static constexpr Row kRows[] = {
      {"trigger to frame (less conversion)", &ShotStages::triggerToFrame},
      {"conversion (grab thread)", &ShotStages::conversion},
      {"colour", &ShotStages::colour},
      {"counter (own thread, beside colour)", &ShotStages::counter},
      {"  waited for after colour", &ShotStages::counterWait},
      {"JPEG encoded and written", &ShotStages::jpeg},
      {"thumbnail", &ShotStages::thumbnail},
      {"journal + JPEG sync (beside thumbnail)", &ShotStages::journal},
      {"  waited for after thumbnail", &ShotStages::journalWait},
      {"rename + folder sync", &ShotStages::rename},
  };
  std::printf("stages of a shot, medians of %zu shots (ms):\n", shots.size());
  for (const Row& row : kRows) {
    std::vector<double> values;
    for (const ShotStages& shot : shots) values.push_back(Milliseconds(shot.*row.stage));
    std::printf("  %-40s %7.2f   (p95 %.2f)\n", row.name, Percentile(values, 0.5), Percentile(values, 0.95));
  }
}

constexpr const char* kPostgreSqlAdmin = "DSN=Data_pg;UID=postgres;PWD=qarmivodel";

std::string SchemaName() { return "bxbench_" + std::to_string(::getpid()); }

// A statement on the PostgreSQL server outside any schema of the run.
void Administer(const std::string& sql) {
  DatabaseSettings admin;
  admin.storedConnection = kPostgreSqlAdmin;
  CStorySet(admin).ExecuteSQL(sql);
}

// The run's own database with the station's tables; its connection string.
std::string CreateDatabase(const std::string& kind, const fs::path& root) {
  std::string connection;
  if (kind == "postgresql") {
    Administer("CREATE SCHEMA " + SchemaName());
    connection = std::string(kPostgreSqlAdmin) + ";ConnSettings=SET search_path TO " + SchemaName();
  } else {
    connection = "DSN=Data;UID=sa;PWD=;Database=" + (root / "records.sqlite").string() + ";NoCreat=0";
  }
  bx::odbc::OdbcSession session(connection);
  CreateMissingTables(session);
  return "ODBC;" + connection;
}

void DropDatabase(const std::string& kind) {
  if (kind != "postgresql") return;  // the file goes with the run's folder
  Administer("DROP SCHEMA " + SchemaName() + " CASCADE");
}

// The station's folders and settings; `remotePort` 0 leaves its HTTP service off.
fs::path PrepareStation(const std::string& database, int remotePort) {
  const fs::path root = fs::temp_directory_path() / ("bxstation-bench-" + std::to_string(::getpid()));
  fs::create_directories(root / "config");
  fs::create_directories(root / "state");
  fs::create_directories(root / "photos");
  const std::string connection = database.empty() ? "" : CreateDatabase(database, root);
  std::ofstream(root / "config" / "BXGrabber.ini")
      << "[Camera Settings]\nCamera Transport=sim\nNum Buffers=4\n[Database Settings]\nDatabasePath="
      << (root / "photos").string() << "/\nServerName=localhost\n"
      << (connection.empty() ? "" : "ODBC Default Connection=" + connection + "\n")
      << "[Program Settings]\nApplication Path=" << root.string() << "\n[Remote Settings]\n"
      << (remotePort > 0 ? "Enabled=1\nPort=" + std::to_string(remotePort) + "\n" : "Enabled=0\n");
  ::setenv("BX_CONFIG_DIR", (root / "config").c_str(), 1);
  ::setenv("BX_STATE_DIR", (root / "state").c_str(), 1);
  return root;
}

// One software shot, timed until its photo is on disk; false if it was lost.
bool TimeShot(TimedStation& station, HeadlessHost& host, Latencies& latencies) {
  const int before = host.ImagesShown();
  const long faultsBefore = bench::MinorFaults();
  const auto start = Clock::now();
  station.SoftwareShot(false);
  if (!host.WaitForImages(before + 1, std::chrono::seconds(10))) return false;
  const auto done = Clock::now();
  latencies.faults.push_back(static_cast<double>(bench::MinorFaults() - faultsBefore));
  const Clock::time_point arrival{Clock::duration(station.lastArrival.load())};
  latencies.shotToDisk.push_back(Milliseconds(done - start));
  latencies.frameToDisk.push_back(Milliseconds(done - arrival));
  latencies.stages.push_back(station.LastShotStages());
  return true;
}

// When each shot was shown, i.e. saved or refused: the host's report of each photo.
class CompletionTimes {
 public:
  void Note(const std::string& line) {
    if (line.rfind("Photo ", 0) != 0) return;  // a shot shown, saved or not
    std::lock_guard lock(m_lock);
    m_times.push_back(Clock::now());
  }
  std::vector<Clock::time_point> Since(size_t first) const {
    std::lock_guard lock(m_lock);
    return {m_times.begin() + std::min(first, m_times.size()), m_times.end()};
  }
  size_t Count() const {
    std::lock_guard lock(m_lock);
    return m_times.size();
  }

 private:
  mutable std::mutex m_lock;
  std::vector<Clock::time_point> m_times;
};

double Median(std::vector<double> values) { return Percentile(std::move(values), 0.5); }

// Frames the simulated camera exposed while the station had no buffer queued.
std::uint64_t CameraFramesLost() {
  const Pylon::CSimulator& simulator = Pylon::CTlFactory::GetInstance().Simulator();
  const std::vector<std::string> serials = simulator.Serials();
  return serials.empty() ? 0 : simulator.FramesLost(serials.front());
}

// Shots at a fixed interval. The interval holds when every shot is saved and
// the backlog does not grow: the lag from shot to saved photo of the last third
// of the shots exceeds that of the first third by less than one interval (a
// station that cannot keep up falls further behind with every shot).
bool HoldsInterval(CGrabberDlg& station, HeadlessHost& host, const CompletionTimes& completions,
                   int intervalMs) {
  const int before = host.ImagesShown();
  const size_t firstCompletion = completions.Count();
  const int savedBefore = station.SavedCount();
  const std::uint64_t lostBefore = CameraFramesLost();
  std::vector<Clock::time_point> shots;
  const auto start = Clock::now();
  for (int shot = 0; shot < kRateShots; ++shot) {
    std::this_thread::sleep_until(start + shot * std::chrono::milliseconds(intervalMs));
    shots.push_back(Clock::now());
    station.SoftwareShot(false);
  }
  host.WaitForImages(before + kRateShots, std::chrono::seconds(30));
  const int saved = station.SavedCount() - savedBefore;
  const auto done = completions.Since(firstCompletion);
  if (saved != kRateShots || done.size() != shots.size()) {
    std::printf(
        "  every %3d ms: %d of %d saved; %zu shown; %llu frames lost by the camera for want of a buffer\n",
        intervalMs, saved, kRateShots, done.size(),
        static_cast<unsigned long long>(CameraFramesLost() - lostBefore));
    return false;
  }
  std::vector<double> firstLags, lastLags;
  const size_t third = shots.size() / 3;
  for (size_t shot = 0; shot < third; ++shot) {
    firstLags.push_back(Milliseconds(done[shot] - shots[shot]));
    lastLags.push_back(Milliseconds(done[shots.size() - third + shot] - shots[shots.size() - third + shot]));
  }
  const double growth = Median(lastLags) - Median(firstLags);
  const bool holds = growth < intervalMs;
  std::printf("  every %3d ms: %d of %d saved, lag %.0f ms at first, %.0f ms at last: %s\n", intervalMs,
              saved, kRateShots, Median(firstLags), Median(lastLags), holds ? "holds" : "falls behind");
  return holds;
}

// The fastest interval that holds, in photos per second (0 if none), among
// intervals from twice the save-alone time down to half of it.
double SustainedRate(CGrabberDlg& station, HeadlessHost& host, const CompletionTimes& completions,
                     double saveMs) {
  double rate = 0;
  for (double factor : {2.0, 1.6, 1.3, 1.15, 1.0, 0.85, 0.7, 0.5}) {
    const int intervalMs = std::max(1, static_cast<int>(factor * saveMs + 0.5));
    if (HoldsInterval(station, host, completions, intervalMs)) rate = std::max(rate, 1000.0 / intervalMs);
  }
  return rate;
}

// What each shot is compared with, measured between the shots.
struct References {
  std::vector<double> saves;          // the save sequence alone, ms
  std::vector<double> saveFaults;     // page faults of each
  std::vector<double> unsyncedSaves;  // the same with its file syncs left out, ms
  std::vector<double> durableWrites;  // a small file replaced durably beside the photos, ms
};

// Shots alternate with the save sequence alone (the image-files benchmark's
// measurement) on the pixels the station saves, once as it is (its JPEG synced)
// and once without syncs, and with a durable replacement of a small file in the
// same file system (written, synced, renamed, folder synced: what the disk
// charges for each of the shot's durable writes), so all see the same machine
// load. With a service load, each round also takes a shot while the service is
// busy, before or after the idle one by turns.
bool MeasureLatencies(TimedStation& station, HeadlessHost& host, const fs::path& root, Latencies& latencies,
                      References& references, ServiceLoad* load, Latencies& busy) {
  if (!station.haveFrame) return false;
  CxImage& scene = station.firstFrame;
  const std::string block(4096, 'x');
  // The clients get going before the busy shot, and wind down before the next idle one.
  const auto busyShot = [&] {
    load->SetActive(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const bool saved = TimeShot(station, host, busy);
    load->SetActive(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return saved;
  };
  for (int round = 0; round < kLatencyShots; ++round) {
    if (load && round % 2 && !busyShot()) return false;
    if (!TimeShot(station, host, latencies)) return false;
    if (load && round % 2 == 0 && !busyShot()) return false;
    const std::string target = (root / ("save" + std::to_string(round) + ".jpg")).string();
    const auto synced = [&] {
      const long faultsBefore = bench::MinorFaults();
      references.saves.push_back(1000.0 * bxbench::TimeStationSaveSequence(scene, target));
      references.saveFaults.push_back(static_cast<double>(bench::MinorFaults() - faultsBefore));
    };
    const auto unsynced = [&] {
      const bx::DeferredSync later;
      references.unsyncedSaves.push_back(1000.0 * bxbench::TimeStationSaveSequence(scene, target + ".u.jpg"));
    };
    // Each goes first every other round: the first save after a shot finds the caches colder.
    if (round % 2) {
      unsynced();
      synced();
    } else {
      synced();
      unsynced();
    }
    const auto start = Clock::now();
    if (bx::WriteFileAtomically((root / "durable.probe").string(), block)) return false;
    references.durableWrites.push_back(Milliseconds(Clock::now() - start));
  }
  return true;
}

// The shot's latency less what it waited on the disk's syncs: for each of the
// two durable writes on its path (the counter's store, the photo's rename), what
// it waited there, but no more than a durable write costs on this disk.
std::vector<double> WithoutDiskSyncs(const Latencies& latencies, double durableMs) {
  std::vector<double> values;
  for (std::size_t shot = 0; shot < latencies.shotToDisk.size(); ++shot) {
    const ShotStages& stages = latencies.stages[shot];
    values.push_back(latencies.shotToDisk[shot] - std::min(Milliseconds(stages.counterWait), durableMs) -
                     std::min(Milliseconds(stages.rename), durableMs));
  }
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  std::string database;
  bool remote = false, understood = true;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--remote")
      remote = true;
    else if (option == "--database" && i + 1 < argc)
      database = argv[++i];
    else
      understood = false;
  }
  if (!understood || (!database.empty() && database != "sqlite" && database != "postgresql")) {
    std::fprintf(stderr, "usage: station_latency [--database sqlite|postgresql] [--remote]\n");
    return 2;
  }
  const int remotePort = remote ? bench::FreeLoopbackPort() : 0;
  bench::PrintMachineProbe();
  const bench::CpuTicks ticks = bench::ReadCpuTicks();
  fs::path root;
  try {
    root = PrepareStation(database, remotePort);
  } catch (const CDBException& error) {
    std::fprintf(stderr, "station_latency: the database: %s\n", error.m_strError.c_str());
    return 1;
  }
  bx::RecordingMachinePower power;
  bx::RecordingProgramRestart restart;
  CGrabberApp app(power, restart);
  CompletionTimes completions;
  HeadlessHost host([&completions](const std::string& line) { completions.Note(line); });
  TimedStation station(app, host);
  if (!station.OnInitDialog() || !station.IsCameraConnected()) {
    std::fprintf(stderr, "station_latency: the simulated camera did not connect\n");
    return 1;
  }
  Latencies warmUp;  // allocations, file-system caches
  for (int shot = 0; shot < kLatencyShots; ++shot) TimeShot(station, host, warmUp);
  Latencies latencies, busy;
  References references;
  std::unique_ptr<ServiceLoad> load = remote ? std::make_unique<ServiceLoad>(remotePort) : nullptr;
  const bool measured = MeasureLatencies(station, host, root, latencies, references, load.get(), busy);
  double rate = 0;
  if (measured) {
    std::printf("sustained shot rate, %d shots per interval:\n", kRateShots);
    rate = SustainedRate(station, host, completions, Percentile(references.saves, 0.5));
  }
  const long answered = load ? load->Answered() : 0, failed = load ? load->Failed() : 0;
  const long events = load ? load->Events() : 0;
  const long previewBytes = load ? load->PreviewBytes() : 0;
  load.reset();
  station.OnDestroy();
  if (!database.empty())
    std::printf("database %s: %s rows pending in the journal\n", database.c_str(),
                fs::exists(root / "state" / "BXGrabber.records") ? "some" : "no");
  try {
    DropDatabase(database);
  } catch (const CDBException&) {
  }
  fs::remove_all(root);
  if (!measured) {
    std::fprintf(stderr, "station_latency: shots were lost\n");
    return 1;
  }

  const double saveMedian = Percentile(references.saves, 0.5);
  const double durableMedian = Percentile(references.durableWrites, 0.5);
  const double withoutSyncs = Percentile(WithoutDiskSyncs(latencies, durableMedian), 0.5);
  const double unsyncedSave = Percentile(references.unsyncedSaves, 0.5);
  const double latencyMedian = Percentile(latencies.shotToDisk, 0.5);
  const double latencyP95 = Percentile(latencies.shotToDisk, 0.95);
  const double stationMedian = Percentile(latencies.frameToDisk, 0.5);
  const double stationP95 = Percentile(latencies.frameToDisk, 0.95);
  const double saveRate = 1000.0 / saveMedian;
  std::printf("save sequence alone (2448x2048, quality 90 + 1024 thumbnail): median %.1f ms\n", saveMedian);
  std::printf("shot to photo on disk: median %.1f ms (ratio %.2f, goal <= 1.30), p95 %.1f ms (ratio %.2f)\n",
              latencyMedian, latencyMedian / saveMedian, latencyP95, latencyP95 / saveMedian);
  std::printf("frame delivered to photo on disk: median %.1f ms (ratio %.2f), p95 %.1f ms (ratio %.2f)\n",
              stationMedian, stationMedian / saveMedian, stationP95, stationP95 / saveMedian);
  if (remote) {
    const double busyMedian = Percentile(busy.shotToDisk, 0.5);
    std::printf(
        "with the HTTP service busy (10 status polls at 10 Hz, 2 preview viewers, an event listener):\n"
        "  median %.1f ms (ratio %.2f) beside %.1f ms idle (ratio %.2f): busy / idle %.2f (goal <= 1.05)\n"
        "  %ld requests answered, %ld failed, %ld events, %ld kB of preview\n",
        busyMedian, busyMedian / saveMedian, latencyMedian, latencyMedian / saveMedian,
        busyMedian / latencyMedian, answered, failed, events, previewBytes / 1024);
  }
  PrintStages(latencies.stages);
  std::printf("page faults of the process: median %.0f a shot, %.0f a save alone\n",
              Percentile(latencies.faults, 0.5), Percentile(references.saveFaults, 0.5));
  std::printf("a small file replaced durably beside the photos: median %.1f ms (the disk's sync)\n",
              durableMedian);
  std::printf("save sequence alone without syncing its file: median %.1f ms\n", unsyncedSave);
  std::printf(
      "shot to photo on disk less its waits on the disk's syncs: median %.1f ms (ratio to the unsynced save "
      "%.2f, goal <= 1.30)\n",
      withoutSyncs, withoutSyncs / unsyncedSave);
  std::printf("sustained rate without a dropped frame: %.1f photos/s (ratio to the save-alone rate %.2f)\n",
              rate, rate / saveRate);
  bench::PrintMachineLoad(ticks);
  return rate > 0 ? 0 : 1;
}
