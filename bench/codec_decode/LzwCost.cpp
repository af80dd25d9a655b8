#include "bench/codec_decode/LzwCost.h"

#include <opencv2/core/utility.hpp>
#include <tiffio.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/save_sequence/SaveSequence.h"
#include "pixlib/codecs/tiff/LzwStripDecoder.h"

namespace bxbench {

namespace {

using Bytes = std::vector<unsigned char>;

template <typename Work>
double MedianSeconds(int runs, const Work& work) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return Median(times);
}

}  // namespace

void PrintLzwCodeCost(const std::string& path, int runs) {
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) return;
  const std::uint32_t strips = TIFFNumberOfStrips(tiff);
  const tmsize_t stripBytes = TIFFStripSize(tiff);
  std::vector<Bytes> raw(strips);
  for (std::uint32_t s = 0; s < strips; ++s) {
    raw[s].resize(TIFFRawStripSize(tiff, s) + pixcodec::kLzwInputPadding);
    TIFFReadRawStrip(tiff, s, raw[s].data(),
                     static_cast<tmsize_t>(raw[s].size() - pixcodec::kLzwInputPadding));
  }
  Bytes out(std::size_t(stripBytes) * strips);
  std::size_t codes = 0;
  for (std::uint32_t s = 0; s < strips; ++s) {
    std::size_t n = 0;
    pixcodec::DecodeLzwStrip(raw[s].data(), raw[s].size() - pixcodec::kLzwInputPadding, out.data(),
                             std::size_t(stripBytes), &n);
    codes += n;
  }
  const double libtiff = MedianSeconds(runs, [&] {
    for (std::uint32_t s = 0; s < strips; ++s)
      TIFFReadEncodedStrip(tiff, s, out.data() + std::size_t(s) * stripBytes, stripBytes);
  });
  const auto decodeRange = [&](const cv::Range& range) {
    for (int s = range.start; s < range.end; ++s)
      pixcodec::DecodeLzwStrip(raw[s].data(), raw[s].size() - pixcodec::kLzwInputPadding,
                               out.data() + std::size_t(s) * stripBytes, std::size_t(stripBytes));
  };
  const double ours = MedianSeconds(runs, [&] { decodeRange(cv::Range(0, static_cast<int>(strips))); });
  const double parallel = MedianSeconds(runs, [&] {
    cv::parallel_for_(cv::Range(0, static_cast<int>(strips)), decodeRange, cv::getNumThreads() * 4);
  });
  TIFFClose(tiff);
  const double perCode = 1e9 / static_cast<double>(codes);
  std::printf(
      "LZW strips: %u strips, %.2f M codes; ns per code: libtiff %.2f (reads each strip too), "
      "ours %.2f one strip after another, ours %.2f on %d threads\n",
      strips, static_cast<double>(codes) / 1e6, libtiff * perCode, ours * perCode, parallel * perCode,
      cv::getNumThreads());
}

}  // namespace bxbench
