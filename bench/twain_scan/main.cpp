// twain_scan [ROUNDS [native|file|memory]]: a 2480 x 3507 colour page (140 x 198 mm at 450 dpi,
// the pixel count of A4 at 300 dpi) from SANE's test backend, acquired
// through the library's source manager by native, file and memory transfer,
// each against scanimage writing the same page to a PNM file. Medians in
// milliseconds (wall and CPU) and their ratio, in a warmed-up process.

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>
#include <string>

#include "bench/common/AlternatingRuns.h"
#include "pixlib/twain/TwainCollector.h"

namespace {

constexpr const char* kOptions =
    "mode=Color\ndepth=8\ntest-picture=Color pattern\nresolution=450\nbr-x=140\nbr-y=198\n";
constexpr const char* kScanimage =
    "scanimage -d test:0 --format=pnm --mode Color --depth 8 --test-picture 'Color pattern' "
    "--resolution 450 -x 140 -y 198 > ";

void Acquire(unsigned short mechanism) {
  CTwainCollector twain;
  twain.SetShowUI(0);
  CTwain::ChooseSource("test:0");
  twain.SetCustomData(kOptions);
  if (!twain.ModalAcquire(mechanism, nullptr) || twain.Images().size() != 1 ||
      twain.Images()[0]->Width() != 2480 || twain.Images()[0]->Height() != 3507) {
    std::fprintf(stderr, "twain_scan: acquisition by mechanism %u failed\n", unsigned(mechanism));
    std::exit(1);
  }
}

// CPU seconds used so far by this process (all threads) or by its waited-for children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](timeval t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs f, adding the CPU milliseconds it used (of `who`) to `samples`.
std::function<void()> CountingCpu(std::function<void()> f, int who, std::vector<double>& samples) {
  return [f, who, &samples] {
    const double before = CpuSeconds(who);
    f();
    samples.push_back((CpuSeconds(who) - before) * 1000.0);
  };
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  std::string folder = (std::filesystem::temp_directory_path() / "twain_scan-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return 1;
  std::ofstream(folder + "/dll.conf") << "test\n";
  std::filesystem::copy_file("/etc/sane.d/test.conf", folder + "/test.conf");
  setenv("SANE_CONFIG_DIR", folder.c_str(), 1);
  setenv("TMPDIR", folder.c_str(), 1);
  const std::string scanCommand = kScanimage + folder + "/page.pnm";
  auto scanimage = [&] {
    if (std::system(scanCommand.c_str()) != 0) std::exit(1);
  };
  std::printf("A4 at 300 dpi (2480 x 3507 colour) from the SANE test backend, %d rounds\n", rounds);
  // Wall time suffers most from a shared, loaded machine; CPU time is given beside it.
  std::printf("%-8s %10s %14s %7s   %12s %16s %7s\n", "transfer", "ours ms", "scanimage ms", "ratio",
              "ours CPU ms", "scanimage CPU ms", "ratio");
  const std::pair<const char*, unsigned short> mechanisms[] = {
      {"native", TWSX_NATIVE}, {"file", TWSX_FILE}, {"memory", TWSX_MEMORY}};
  // The first acquisitions of a process pay for fresh memory (page faults on
  // every large buffer); all mechanisms are measured once that is behind them.
  for (int i = 0; i < 2; ++i)
    for (const auto& entry : mechanisms) Acquire(entry.second);
  for (const auto& [name, mechanism] : mechanisms) {
    if (argc > 2 && std::string(argv[2]) != name) continue;
    std::vector<double> oursCpu, referenceCpu;
    const bench::MedianPair m =
        bench::AlternatingMedians(rounds, CountingCpu([&] { Acquire(mechanism); }, RUSAGE_SELF, oursCpu),
                                  CountingCpu(scanimage, RUSAGE_CHILDREN, referenceCpu));
    const double cpu = bench::Median(oursCpu), referenceCpuMs = bench::Median(referenceCpu);
    std::printf("%-8s %10.1f %14.1f %7.2f   %12.1f %16.1f %7.2f\n", name, m.ours, m.reference, m.Ratio(), cpu,
                referenceCpuMs, cpu / referenceCpuMs);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
