#include "tests/codecs/CodecTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

#include "pixlib/codecs/ImageView.h"

namespace codectest {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "codecs-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

TempDir::~TempDir() { std::filesystem::remove_all(m_path); }

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void DirtyFreedMemory(std::size_t bytes) {
  std::vector<void*> blocks(64);
  for (void*& block : blocks) {
    block = std::malloc(bytes);
    std::memset(block, 0xA5, bytes);
    asm volatile("" : : "r"(block) : "memory");  // the fill must reach memory
  }
  for (void* block : blocks) std::free(block);
}

void FillPattern(CxImage& image) {
  const pixcodec::PixelView view = pixcodec::ViewOf(image);
  for (int y = 0; y < view.height; ++y) {
    unsigned char* row = view.TopRow(y);
    for (int x = 0; x < view.width; ++x)
      for (int c = 0; c < view.channels; ++c)
        row[x * view.channels + c] = static_cast<unsigned char>(x * (150 - 30 * c) / view.width +
                                                                y * (60 + 30 * c) / view.height + 10 * c);
  }
}

void MakePattern(CxImage& image, int width, int height, bool alpha) {
  if (image.Create(width, height, alpha ? 1 : 0) == 0) throw std::runtime_error("Create failed");
  FillPattern(image);
}

int SampleAt(CxImage& image, int x, int topRow, int channel) {
  const pixcodec::PixelView view = pixcodec::ViewOf(image);
  return view.TopRow(topRow)[x * view.channels + channel];
}

int MaxDifference(CxImage& a, CxImage& b) {
  const pixcodec::PixelView va = pixcodec::ViewOf(a), vb = pixcodec::ViewOf(b);
  if (va.width != vb.width || va.height != vb.height || va.channels != vb.channels) return 256;
  int worst = 0;
  for (int y = 0; y < va.height; ++y)
    for (int i = 0; i < va.width * va.channels; ++i)
      worst = std::max(worst, std::abs(va.TopRow(y)[i] - vb.TopRow(y)[i]));
  return worst;
}

// Skips white space and "#" comments before the next header field.
static std::istream& SkipComments(std::istream& in) {
  while (in >> std::ws && in.peek() == '#') in.ignore(1 << 20, '\n');
  return in;
}

bool ReadPnm(const std::string& path, Pnm& pnm) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 1;
  if (!(in >> magic) || !(SkipComments(in) >> pnm.width) || !(SkipComments(in) >> pnm.height)) return false;
  if (magic != "P4" && !(SkipComments(in) >> maxValue)) return false;
  if ((magic != "P6" && magic != "P5" && magic != "P4") ||
      (maxValue != 1 && maxValue != 255 && maxValue != 65535))
    return false;
  pnm.channels = magic == "P6" ? 3 : 1;
  in.get();
  const std::size_t samples = std::size_t(pnm.width) * pnm.height * pnm.channels;
  pnm.pixels.resize(samples);
  if (magic == "P4") {
    // Bit 1 is black; rows start on a byte.
    const std::size_t rowBytes = (std::size_t(pnm.width) + 7) / 8;
    std::vector<unsigned char> bits(rowBytes * pnm.height);
    in.read(reinterpret_cast<char*>(bits.data()), static_cast<std::streamsize>(bits.size()));
    for (int y = 0; y < pnm.height; ++y)
      for (int x = 0; x < pnm.width; ++x)
        pnm.pixels[std::size_t(y) * pnm.width + x] =
            (bits[y * rowBytes + x / 8] >> (7 - x % 8) & 1) ? 0 : 255;
    return bool(in);
  }
  if (maxValue == 65535) {
    // Big-endian 16-bit samples: the high byte is the 8-bit sample.
    std::vector<unsigned char> wide(2 * samples);
    in.read(reinterpret_cast<char*>(wide.data()), static_cast<std::streamsize>(wide.size()));
    for (std::size_t i = 0; i < samples; ++i) pnm.pixels[i] = wide[2 * i];
    return bool(in);
  }
  in.read(reinterpret_cast<char*>(pnm.pixels.data()), static_cast<std::streamsize>(pnm.pixels.size()));
  return bool(in);
}

void WritePpm(const std::string& path, CxImage& image) {
  const pixcodec::PixelView view = pixcodec::ViewOf(image);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "P6\n" << view.width << " " << view.height << "\n255\n";
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x) {
      const unsigned char* p = view.TopRow(y) + x * view.channels;
      const char rgb[3] = {char(p[2]), char(p[1]), char(p[0])};
      out.write(rgb, 3);
    }
}

int DifferenceFromPnm(CxImage& image, const Pnm& pnm) {
  if (image.Width() != pnm.width || image.Height() != pnm.height) return 256;
  const pixcodec::PixelView view = pixcodec::ViewOf(image);
  int worst = 0;
  for (int y = 0; y < pnm.height; ++y)
    for (int x = 0; x < pnm.width; ++x) {
      const unsigned char* ours = view.TopRow(y) + x * view.channels;
      const unsigned char* theirs = &pnm.pixels[(std::size_t(y) * pnm.width + x) * pnm.channels];
      for (int c = 0; c < 3; ++c) {
        const int expected = pnm.channels == 1 ? theirs[0] : theirs[2 - c];
        worst = std::max(worst, std::abs(ours[c] - expected));
      }
    }
  return worst;
}

Pnm ReducedPnm(const Pnm& pnm, int reduction, bool bottomFirst) {
  Pnm out;
  out.width = std::max(1, pnm.width / reduction);
  out.height = std::max(1, pnm.height / reduction);
  out.channels = pnm.channels;
  for (int y = 0; y < out.height; ++y) {
    const int fileRow = (bottomFirst ? out.height - 1 - y : y) * reduction;
    const int sourceRow = bottomFirst ? pnm.height - 1 - fileRow : fileRow;
    for (int x = 0; x < out.width; ++x) {
      const auto* p = &pnm.pixels[(std::size_t(sourceRow) * pnm.width + x * reduction) * pnm.channels];
      out.pixels.insert(out.pixels.end(), p, p + pnm.channels);
    }
  }
  return out;
}

int LoadFileBytes(const std::vector<unsigned char>& bytes, CxImage& image, int channelMode, int reduction,
                  std::string* warnings) {
  TempDir dir;
  const std::string path = dir.Path("image");
  WriteBytes(path, bytes);
  testing::internal::CaptureStdout();
  const int result = image.Load(path.c_str(), channelMode, reduction, 0, 0, nullptr);
  const std::string output = testing::internal::GetCapturedStdout();
  if (warnings != nullptr) *warnings = output;
  return result;
}

std::vector<int> PixelAt(CxImage& image, int x, int topRow) {
  std::vector<int> pixel;
  for (int c = 0; c < image.SamplesPerPixel(); ++c) pixel.push_back(SampleAt(image, x, topRow, c));
  return pixel;
}

bool RunCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

bool ToolPresent(const char* path) { return access(path, X_OK) == 0; }

}  // namespace codectest
