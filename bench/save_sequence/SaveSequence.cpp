#include "bench/save_sequence/SaveSequence.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include <opencv2/imgproc.hpp>
#include <turbojpeg.h>

#include "pixlib/codecs/ImageView.h"
#include "pixlib/core/CxImage.h"

namespace bxbench {

namespace {

constexpr int kQuality = 90;
constexpr int kThumbnailSize = 1024;

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<unsigned char> Compress(tjhandle handle, const unsigned char* pixels, int width, int step,
                                    int height, int flags) {
  unsigned char* encoded = nullptr;
  unsigned long size = 0;
  tjCompress2(handle, pixels, width, step, height, TJPF_BGR, &encoded, &size, TJSAMP_420, kQuality, flags);
  std::vector<unsigned char> bytes(encoded, encoded + size);
  tjFree(encoded);
  return bytes;
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes, const char* mode) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  std::fseek(file, 0, SEEK_END);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(std::ftell(file)));
  std::fseek(file, 0, SEEK_SET);
  const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
  bytes.resize(read);
  std::fclose(file);
  return bytes;
}

}  // namespace

void MakePhoto(CxImage& photo, int width, int height) {
  photo.Create(width, height, 0);
  const pixcodec::PixelView view = pixcodec::ViewOf(photo);
  std::mt19937 random(7);
  for (int y = 0; y < height; ++y) {
    unsigned char* row = view.TopRow(y);
    for (int x = 0; x < width * 3; ++x)
      row[x] =
          static_cast<unsigned char>((x / 3 * 160 / width + y * 80 / height + 8 * (x % 3)) + (random() & 7));
  }
}

double TimeStationSaveSequence(CxImage& photo, const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  photo.Save(path.c_str(), 2, 0, kQuality, nullptr, 1);
  CxImage thumbnail;
  thumbnail.LoadThumbnail(path.c_str(), 1, 1, kThumbnailSize, 1, 0, nullptr);
  return Seconds(start);
}

double TimeDirectSaveSequence(CxImage& photo, const std::string& path) {
  const pixcodec::PixelView view = pixcodec::ViewOf(photo);
  const auto start = std::chrono::steady_clock::now();
  tjhandle compressor = tjInitCompress();
  tjhandle decompressor = tjInitDecompress();
  WriteFile(
      path,
      Compress(compressor, view.data, view.width, static_cast<int>(view.step), view.height, TJFLAG_BOTTOMUP),
      "wb");

  const std::vector<unsigned char> file = ReadFile(path);
  const int halfWidth = (view.width + 1) / 2, halfHeight = (view.height + 1) / 2;
  cv::Mat half(halfHeight, halfWidth, CV_8UC3);
  tjDecompress2(decompressor, file.data(), file.size(), half.data, halfWidth, static_cast<int>(half.step),
                halfHeight, TJPF_BGR, TJFLAG_BOTTOMUP);
  const int longer = std::max(view.width, view.height);
  cv::Mat thumb;
  cv::resize(half, thumb,
             cv::Size(view.width * kThumbnailSize / longer, view.height * kThumbnailSize / longer), 0, 0,
             cv::INTER_CUBIC);
  WriteFile(
      path,
      Compress(compressor, thumb.data, thumb.cols, static_cast<int>(thumb.step), thumb.rows, TJFLAG_BOTTOMUP),
      "ab");
  tjDestroy(compressor);
  tjDestroy(decompressor);
  return Seconds(start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace bxbench
