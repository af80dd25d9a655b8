#include "tools/bxcam/FrameWriter.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace bxcam {
namespace {

std::string Numbered(int index, const char* suffix) {
  char name[64];
  std::snprintf(name, sizeof name, "frame_%04d%s", index, suffix);
  return name;
}

}  // namespace

std::filesystem::path WriteFrame(const Pylon::GrabResult& frame, const std::filesystem::path& dir, int index,
                                 bool raw) {
  const Pylon::EPixelType type = frame.GetPixelType();
  const size_t width = size_t(frame.GetSizeX()), height = size_t(frame.GetSizeY());
  const size_t rowBytes = width * Pylon::BitPerPixel(type) / 8;
  const size_t stride = rowBytes + size_t(frame.GetPaddingX());
  if (frame.GetPayloadSize() < int64_t(stride * (height ? height - 1 : 0) + rowBytes))
    throw std::runtime_error("frame payload is smaller than its rows");
  const bool mono = type == Pylon::PixelType_Mono8 && !raw;
  const bool colour = type == Pylon::PixelType_BGR8packed && !raw;
  std::filesystem::path path;
  std::ofstream file;
  if (mono || colour) {
    path = dir / Numbered(index, mono ? ".pgm" : ".ppm");
    file.open(path, std::ios::binary);
    file << (mono ? "P5\n" : "P6\n") << width << ' ' << height << "\n255\n";
  } else {
    const std::string suffix = "_" + std::to_string(width) + "x" + std::to_string(height) + "_" +
                               (Pylon::PixelTypeName(type)[0] ? Pylon::PixelTypeName(type) : "Unknown") +
                               ".raw";
    path = dir / Numbered(index, suffix.c_str());
    file.open(path, std::ios::binary);
  }
  const auto* pixels = static_cast<const uint8_t*>(frame.Buffer());
  std::vector<uint8_t> row(rowBytes);
  for (size_t y = 0; y < height; ++y) {
    std::copy(pixels + y * stride, pixels + y * stride + rowBytes, row.begin());
    if (colour)  // PPM stores R, G, B
      for (size_t x = 0; x + 2 < rowBytes; x += 3) std::swap(row[x], row[x + 2]);
    file.write(reinterpret_cast<const char*>(row.data()), std::streamsize(row.size()));
  }
  if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
  return path;
}

}  // namespace bxcam
