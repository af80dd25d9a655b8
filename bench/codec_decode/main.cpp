// Decoding a 2448 x 2048 photo stored as BMP, TGA, PCX, TIFF (plain and
// LZW) and PNG: in-process load time as a ratio to a memcpy of the pixels and to
// ImageMagick's whole-process convert of the same file to PPM (for PNG also
// to libspng decoding the file alone), all measured in the same run; a plain read of each file shows what the
// kernel's page cache alone costs (on virtual machines it varies from file to file). Files are read from the
// page cache (all are written and synced before timing); the processor caches are evicted before every timed
// decode and copy, as a file freshly opened is not in them. The page faults a load takes (first touches of
// fresh memory or of a mapped file) are counted, as they cost several times more on some virtual machines.
// So are convert's: most of its time is page faults where they are dear, so the ratio to convert is also
// given against convert less its faults, at the fault cost the machine probe measured. TIFF strips are
// decoded on all cores, against a convert that runs on one: their loads are also timed with the decoding held
// to one thread, as a host that takes a core away for a while (steal time does not always show it) halves
// the ratio for a reason outside the code; that figure has the goal's share of one of the station's two
// cores.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <opencv2/core/utility.hpp>

#include "bench/common/MachineProbe.h"
#include "bench/codec_decode/BenchFiles.h"
#include "bench/codec_decode/LzwCost.h"
#include "bench/codec_decode/SpngDirect.h"
#include "bench/save_sequence/SaveSequence.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/core/CxImage.h"

namespace {

constexpr int kWidth = 2448;
constexpr int kHeight = 2048;
constexpr int kRuns = 15;
constexpr int kConvertRuns = 5;
constexpr const char* kConvert = "/usr/bin/convert";
// The station's cores, which the goals against convert are set for.
constexpr int kStationCores = 2;

using Loader = int (*)(CxImage&, const char*, int, int, int, unsigned char*);

struct Format {
  const char* name;
  const char* file;
  std::function<bool(CxImage&, const std::string&)> write;
  Loader load;
  double goalVsMemcpy;  // 0: no goal
  double goalVsConvert = 10;
  bool (*direct)(const std::string&) = nullptr;  // the decoding library alone
  bool onAllCores = false;                       // the load spreads its work over the cores
};

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Page faults of the child processes that have ended so far (convert, through its shell).
long ChildMinorFaults() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_minflt;
}

void EvictCaches() {
  static std::vector<unsigned char> evictor(64 << 20);
  for (std::size_t i = 0; i < evictor.size(); i += 64) ++evictor[i];
}

double MedianOf(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    EvictCaches();
    times.push_back(Seconds(work));
  }
  return bxbench::Median(times);
}

// Writes the file again in one piece, as a new file, so that every format's file lies in the
// page cache the same way (how a file was written, row by row or at once,
// changes how fast the kernel hands it back by a factor of ten here).
bool Rewrite(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  in.close();
  const std::string copy = path + ".copy";
  std::ofstream out(copy, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !bytes.empty() && bool(out) && std::rename(copy.c_str(), path.c_str()) == 0;
}

// Reading the whole file into memory: what the kernel alone costs.
double ReadTime(const std::string& path) {
  std::vector<unsigned char> bytes(std::filesystem::file_size(path));
  return MedianOf(kRuns, [&] {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
  });
}

double MemcpyTime(const CxImage& photo) {
  const std::size_t bytes = std::size_t(photo.GetRowBytes()) * photo.Height();
  std::vector<unsigned char> copy(bytes, 1);
  volatile unsigned char sink = 0;
  const double time = MedianOf(kRuns, [&] { std::memcpy(copy.data(), photo.GetBits(), bytes); });
  sink = copy[bytes / 2];
  (void)sink;
  return time;
}

struct LoadTimes {
  double load = 0;         // median seconds
  double convert = 0;      // median seconds of the convert process, 0 without it
  double direct = 0;       // median seconds of the decoding library alone, 0 without it
  long faults = 0;         // page faults of one load
  long convertFaults = 0;  // page faults of one convert run
  double oneCore = 0;      // median seconds of a load decoded on one thread, 0 when not measured
};

double LoadSeconds(const Format& format, const std::string& path, CxImage& image) {
  return Seconds([&] { format.load(image, path.c_str(), 0, 1, 0, nullptr); });
}

// One load with OpenCV's parallel loops held to the calling thread; the pool's
// threads are started again before the next load on all cores is timed.
double OneThreadLoadSeconds(const Format& format, const std::string& path, CxImage& image) {
  const int threads = cv::getNumThreads();
  cv::setNumThreads(1);
  EvictCaches();
  const double seconds = LoadSeconds(format, path, image);
  cv::setNumThreads(threads);
  cv::parallel_for_(cv::Range(0, threads), [](const cv::Range&) {});
  return seconds;
}

// Our loads, the decoding library's runs and convert's runs interleaved, so that all
// see the same machine load (measured one block after another, a burst of other work
// during one block moved the load / alone ratio by a third).
// `image` has been loaded from `path` once.
LoadTimes TimeLoad(const Format& format, const std::string& path, CxImage& image, bool haveConvert,
                   int& failures) {
  const std::string command = std::string(kConvert) + " " + path + " ppm:/dev/null";
  std::vector<double> loads, converts, directs, oneCore;
  long faults = 0, convertFaults = 0;
  for (int run = 0; run < kRuns; ++run) {
    if (format.onAllCores) oneCore.push_back(OneThreadLoadSeconds(format, path, image));
    EvictCaches();
    const long before = bench::MinorFaults();
    loads.push_back(LoadSeconds(format, path, image));
    faults += bench::MinorFaults() - before;
    if (format.direct != nullptr) {
      EvictCaches();
      directs.push_back(Seconds([&] { failures += !format.direct(path); }));
    }
    if (haveConvert && run % (kRuns / kConvertRuns) == 0) {
      const long before = ChildMinorFaults();
      converts.push_back(Seconds([&] { failures += std::system(command.c_str()) != 0; }));
      convertFaults += ChildMinorFaults() - before;
    }
  }
  return {bxbench::Median(loads),       bxbench::Median(converts),
          bxbench::Median(directs),     faults / kRuns,
          convertFaults / kConvertRuns, oneCore.empty() ? 0 : bxbench::Median(oneCore)};
}

}  // namespace

int main() {
  const bench::MachineCosts machine = bench::PrintMachineProbe();
  const double faultSeconds =
      machine.faultIn64MbMs * 1e-3 / (double(bench::probe::kBytes) / double(::sysconf(_SC_PAGESIZE)));
  const bench::CpuTicks ticks = bench::ReadCpuTicks();
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "bx-codec-decode";
  std::filesystem::create_directories(dir);
  CxImage photo;
  bxbench::MakePhoto(photo, kWidth, kHeight);
  const Format formats[] = {
      {"BMP 24-bit", "p.bmp", bxbench::WriteBmp, LoadBmpFile, 2.0},
      {"TGA 24-bit raw", "p.tga", bxbench::WriteTga, LoadTgaFile, 2.0},
      {"PCX 24-bit RLE", "p.pcx", bxbench::WritePcx, LoadPcxFile, 0},
      {"TIFF uncompressed", "p.tif",
       [](CxImage& p, const std::string& f) { return bxbench::WriteTiff(p, f, false); }, LoadTiffFile, 0, 10,
       nullptr, true},
      {"TIFF LZW", "l.tif", [](CxImage& p, const std::string& f) { return bxbench::WriteTiff(p, f, true); },
       LoadTiffFile, 0, 10, nullptr, true},
      {"PNG RGB", "p.png",
       [](CxImage& p, const std::string& f) { return WritePngFile(p, f.c_str(), 0, 0, nullptr) == 1; },
       LoadPngFile, 0, 2, bxbench::DecodeWithSpng},
  };
  const bool haveConvert = access(kConvert, X_OK) == 0;
  const double memcpyTime = MemcpyTime(photo);
  std::printf("%d x %d BGR, medians of %d runs (convert: %d runs); memcpy of the pixels %.2f ms\n", kWidth,
              kHeight, kRuns, kConvertRuns, memcpyTime * 1e3);
  std::printf("%-18s %9s %9s %7s %9s %9s %11s %9s %8s %8s\n", "format", "load ms", "x memcpy", "faults",
              "read ms", "x read", "convert ms", "convert/load", "its faults", "less them");
  int failures = 0;
  for (const Format& format : formats)
    failures += !format.write(photo, (dir / format.file).string()) || !Rewrite((dir / format.file).string());
  sync();
  for (const Format& format : formats) {
    const std::string path = (dir / format.file).string();
    CxImage image;
    if (format.load(image, path.c_str(), 0, 1, 0, nullptr) != 1) {
      std::printf("%-18s could not be written or read\n", format.name);
      ++failures;
      continue;
    }
    const LoadTimes times = TimeLoad(format, path, image, haveConvert, failures);
    const double load = times.load, convert = times.convert;
    const long faults = times.faults;
    const double read = ReadTime(path);
    const double convertLessFaults = convert - double(times.convertFaults) * faultSeconds;
    std::printf("%-18s %9.2f %9.2f %7ld %9.2f %9.2f %11.1f %9.1f %8ld %8.1f", format.name, load * 1e3,
                load / memcpyTime, faults, read * 1e3, load / read, convert * 1e3, convert / load,
                times.convertFaults, convertLessFaults / load);
    if (format.goalVsMemcpy > 0)
      std::printf("   (goals: <= %.0f x memcpy, >= %.0f x convert)", format.goalVsMemcpy,
                  format.goalVsConvert);
    else
      std::printf("   (goal: >= %.0f x convert)", format.goalVsConvert);
    std::printf("\n");
    if (format.onAllCores)
      std::printf(
          "%-18s %9.2f ms, %.1f x convert, %.2f x the load on %d threads   (goal: >= %.1f x convert)\n",
          "  on one thread", times.oneCore * 1e3, convert / times.oneCore, times.oneCore / load,
          cv::getNumThreads(), format.goalVsConvert / kStationCores);
    if (format.direct != nullptr)
      std::printf("%-18s %9.2f ms decoding alone; load / alone %.2f   (goal: <= 1.2)\n", "  libspng",
                  times.direct * 1e3, load / times.direct);
  }
  bxbench::PrintLzwCodeCost((dir / "l.tif").string(), kRuns);
  if (!haveConvert) std::printf("%s not installed: no ImageMagick comparison\n", kConvert);
  std::filesystem::remove_all(dir);
  bench::PrintMachineLoad(ticks);
  return failures == 0 ? 0 : 1;
}
