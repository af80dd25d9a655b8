// The station's save sequence and reduced JPEG decoding, each as a ratio to
// the same work done directly with the libraries in the same run.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <turbojpeg.h>

#include "bench/save_sequence/SaveSequence.h"
#include "pixlib/core/CxImage.h"

namespace {

constexpr int kRuns = 21;
constexpr int kReduction = 8;

double TimeStationReducedLoad(const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  CxImage image;
  image.Load(path.c_str(), 0, kReduction, 0, 0, nullptr);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double TimeDirectReducedLoad(const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  std::fseek(file, 0, SEEK_END);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(std::ftell(file)));
  std::fseek(file, 0, SEEK_SET);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  tjhandle handle = tjInitDecompress();
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  tjDecompressHeader3(handle, bytes.data(), bytes.size(), &width, &height, &subsampling, &colorspace);
  const int w = (width + kReduction - 1) / kReduction, h = (height + kReduction - 1) / kReduction;
  const int pitch = (w * 3 + 3) & ~3;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(pitch) * h);
  tjDecompress2(handle, bytes.data(), bytes.size(), pixels.data(), w, pitch, h, TJPF_BGR, TJFLAG_BOTTOMUP);
  tjDestroy(handle);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(const char* what, const std::vector<double>& ours, const std::vector<double>& direct) {
  const double a = bxbench::Median(ours), b = bxbench::Median(direct);
  std::printf("%-34s ours %8.2f ms  direct %8.2f ms  ratio %.3f (goal <= 1.2)\n", what, a * 1e3, b * 1e3,
              a / b);
}

}  // namespace

int main() {
  const std::string dir = std::filesystem::temp_directory_path() / "bx-save-sequence";
  std::filesystem::create_directories(dir);
  const std::string station = dir + "/station.jpg", direct = dir + "/direct.jpg";
  CxImage photo;
  bxbench::MakePhoto(photo, 2448, 2048);

  std::vector<double> ours, reference, oursLoad, referenceLoad;
  // The order alternates so that neither side always runs on warmer caches.
  for (int run = 0; run < kRuns; ++run) {
    const bool oursFirst = run % 2 == 0;
    if (oursFirst) ours.push_back(bxbench::TimeStationSaveSequence(photo, station));
    reference.push_back(bxbench::TimeDirectSaveSequence(photo, direct));
    if (!oursFirst) ours.push_back(bxbench::TimeStationSaveSequence(photo, station));
    if (oursFirst) oursLoad.push_back(TimeStationReducedLoad(station));
    referenceLoad.push_back(TimeDirectReducedLoad(station));
    if (!oursFirst) oursLoad.push_back(TimeStationReducedLoad(station));
  }
  std::printf("2448 x 2048 BGR photo, medians of %d runs\n", kRuns);
  Report("save sequence (q90 + thumbnail)", ours, reference);
  Report("decode with reduction 8", oursLoad, referenceLoad);
  std::filesystem::remove_all(dir);
  return 0;
}
