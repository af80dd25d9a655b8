#include "camera/FlippedDemosaic.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <opencv2/core/utility.hpp>
#include <vector>

#include "camera/MirroredBayerRows.h"
#include "pylon/GenericException.h"

using namespace Pylon;

namespace {

// Few enough seams to redo, few enough rows to stay in a core's cache.
constexpr int kBandRows = 256;

// Rows with an odd index start with the other row of the 2 x 2 pattern.
EPixelType PatternFromRow(EPixelType pattern, int row) {
  if (row % 2 == 0) return pattern;
  switch (pattern) {
    case PixelType_BayerGR8:
      return PixelType_BayerBG8;
    case PixelType_BayerBG8:
      return PixelType_BayerGR8;
    case PixelType_BayerRG8:
      return PixelType_BayerGB8;
    case PixelType_BayerGB8:
      return PixelType_BayerRG8;
    default:
      return pattern;
  }
}

struct SFlippedFrame {
  const SInputImageFormat& input;
  const uint8_t* raw;
  uint8_t* target;
  const SOutputImageFormat& output;

  uint8_t* TargetRow(int row) const { return target + size_t(row) * output.LinePitch; }

  // Demosaics the mirrored rows [first, first + count) as an image of their own
  // into count rows at destination: its first and last rows copy their
  // neighbours, as at the borders of any image.
  void Demosaic(int first, int count, uint8_t* destination) const {
    thread_local std::vector<uint8_t> rows;
    const size_t width = input.Width;
    if (rows.size() < width * size_t(count))  // never shrunk: a seam must not make the next band clear it
      rows.resize(width * size_t(count));
    const int last = int(input.Height) - 1 - first;       // the raw row of mirrored row first
    for (int row = last - count + 1; row <= last; ++row)  // the raw rows in memory order
      std::memcpy(&rows[size_t(last - row) * width], raw + size_t(row) * input.LinePitch, width);
    SInputImageFormat band = input;
    band.Height = uint32_t(count);
    band.LinePitch = uint32_t(width);
    band.PixelFormat = PatternFromRow(input.PixelFormat, last);
    CPixelFormatConverterBayer converter;
    converter.Convert(destination, size_t(output.LinePitch) * size_t(count), rows.data(),
                      width * size_t(count), band, output);
  }
};

}  // namespace

void DemosaicFlipped(const SInputImageFormat& input, const uint8_t* raw, uint8_t* target,
                     const SOutputImageFormat& output) {
  // The bands are copied with the frame's width: a shorter pitch would read past the frame.
  if (input.LinePitch < input.Width)
    throw GenICam::InvalidArgumentException("Bayer line pitch is shorter than a row", __FILE__, __LINE__);
  if (DemosaicMirroredRows(input, raw, target, output)) return;
  const SFlippedFrame frame{input, raw, target, output};
  const int height = int(input.Height);
  const int bands = std::max(1, height / kBandRows);
  const auto bandStart = [&](int band) { return int(int64_t(band) * height / bands); };
  // The two rows either side of a seam were demosaiced as band borders: they
  // are redone from the two rows around each of them, by the second of the
  // seam's two bands to be done (seam s lies above band s).
  std::vector<std::atomic<int>> seamSidesDone(static_cast<size_t>(bands));
  const auto finishSeam = [&](int seam, std::vector<uint8_t>& rows) {
    if (seam < 1 || seam >= bands || seamSidesDone[size_t(seam)].fetch_add(1) == 0) return;
    const int first = bandStart(seam) - 2;
    rows.resize(size_t(output.LinePitch) * 4);
    frame.Demosaic(first, 4, rows.data());
    std::memcpy(frame.TargetRow(first + 1), rows.data() + output.LinePitch, size_t(output.LinePitch) * 2);
  };
  cv::parallel_for_(cv::Range(0, bands), [&](const cv::Range& range) {
    std::vector<uint8_t> seamRows;
    for (int band = range.start; band < range.end; ++band) {
      const int first = bandStart(band);
      frame.Demosaic(first, bandStart(band + 1) - first, frame.TargetRow(first));
      finishSeam(band, seamRows);
      finishSeam(band + 1, seamRows);
    }
  });
}
