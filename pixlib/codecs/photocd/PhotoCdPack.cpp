#include "pixlib/codecs/photocd/PhotoCdPack.h"

#include <cstring>

namespace pixcodec::photocd {

namespace {

struct StoredResolution {
  int reduction;
  long sector;
  int width;
  int height;
};

constexpr StoredResolution kStored[] = {{8, 4, 192, 128}, {4, 23, 384, 256}, {2, 96, 768, 512}};
constexpr char kSignature[] = "PCD_IPI";

// Samples of one record: two luminance rows and the two chroma rows of a
// pair of stored rows `w` wide. Chroma goes to the even pixels of the pair's
// first row; everything `scale` pixels apart.
void PlaceRecord(const std::uint8_t* record, int w, int pair, int scale, YccImage& image) {
  const int half = w / 2;
  auto at = [&](int x, int y) { return std::size_t(y) * scale * image.width + std::size_t(x) * scale; };
  for (int row = 0; row < 2; ++row)
    for (int x = 0; x < w; ++x) image.y[at(x, 2 * pair + row)] = record[row * w + x];
  for (int i = 0; i < half; ++i) {
    image.c1[at(2 * i, 2 * pair)] = record[2 * w + i];
    image.c2[at(2 * i, 2 * pair)] = record[2 * w + half + i];
  }
}

// Fills row[x] for x = half, half + step, ... with the rounded mean of the
// samples `half` left and right of it (the left one again past the end).
void FillBetween(std::uint8_t* row, int width, int step) {
  const int half = step / 2;
  int x = half;
  for (; x + half < width; x += step)
    row[x] = static_cast<std::uint8_t>((row[x - half] + row[x + half] + 1) / 2);
  if (x < width) row[x] = row[x - half];
}

}  // namespace

void ReportFatal(const char* message) { std::fputs(message, stderr); }

bool PackReader::SeekSector(long sector) {
  const long offset = sector * kSectorSize;
  if (offset < m_position) {
    ReportFatal("Error in file-position\n");
    return false;
  }
  if (std::fseek(m_file, offset, SEEK_SET) != 0) {
    ReportFatal("Error while reading.\n");
    return false;
  }
  m_position = offset;
  return true;
}

std::size_t PackReader::ReadUpTo(std::uint8_t* bytes, std::size_t count) {
  const std::size_t read = std::fread(bytes, 1, count, m_file);
  m_position += static_cast<long>(read);
  return read;
}

bool PackReader::Read(std::uint8_t* bytes, std::size_t count) {
  if (std::fread(bytes, 1, count, m_file) != count) {
    ReportFatal("Error while reading.\n");
    return false;
  }
  m_position += static_cast<long>(count);
  return true;
}

bool HasPackHeader(std::FILE* file) {
  char signature[sizeof kSignature - 1];
  return std::fseek(file, kSectorSize, SEEK_SET) == 0 &&
         std::fread(signature, 1, sizeof signature, file) == sizeof signature &&
         std::memcmp(signature, kSignature, sizeof signature) == 0;
}

int PackOrientation(std::FILE* file) {
  constexpr long kAttributeByte = kSectorSize + 0x602;
  constexpr int kCodes[] = {1, 8, 3, 6};  // no turn, a quarter, a half, three quarters
  unsigned char attributes = 0;
  if (!HasPackHeader(file) || std::fseek(file, kAttributeByte, SEEK_SET) != 0 ||
      std::fread(&attributes, 1, 1, file) != 1)
    return 0;
  return kCodes[attributes & 3];
}

bool ReadBaseSamples(PackReader& pack, int reduction, YccImage& image, int scale) {
  const StoredResolution* stored = nullptr;
  for (const StoredResolution& s : kStored)
    if (s.reduction == reduction) stored = &s;
  if (stored == nullptr) {
    ReportFatal("Error in Arguments !\n\n");
    return false;
  }
  image.width = stored->width * scale;
  image.height = stored->height * scale;
  const std::size_t pixels = std::size_t(image.width) * image.height;
  image.y.assign(pixels, 0);
  image.c1.assign(pixels, 0);
  image.c2.assign(pixels, 0);
  std::vector<std::uint8_t> record(3 * std::size_t(stored->width));
  if (!pack.SeekSector(stored->sector)) return false;
  for (int pair = 0; pair < stored->height / 2; ++pair) {
    if (!pack.Read(record.data(), record.size())) return false;
    PlaceRecord(record.data(), stored->width, pair, scale, image);
  }
  return true;
}

void InterpolateLuminance(YccImage& image, int scale) {
  if (scale == 2) HalveSpacing(image.y, image.width, image.height, 2);
}

void InterpolateChroma(YccImage& image, int scale) {
  for (int step = 2 * scale; step >= 2; step /= 2) {
    HalveSpacing(image.c1, image.width, image.height, step);
    HalveSpacing(image.c2, image.width, image.height, step);
  }
}

bool ReadBaseImage(PackReader& pack, int reduction, YccImage& image, int scale) {
  if (!ReadBaseSamples(pack, reduction, image, scale)) return false;
  InterpolateLuminance(image, scale);
  InterpolateChroma(image, scale);
  return true;
}

void HalveSpacing(std::vector<std::uint8_t>& plane, int width, int height, int step) {
  const int half = step / 2;
  auto row = [&](int y) { return plane.data() + std::size_t(y) * width; };
  // The known neighbour `half` below, or the one above at the bottom edge.
  auto below = [&](int y) { return y + half < height ? y + half : y - half; };
  for (int y = 0; y < height; y += step) FillBetween(row(y), width, step);
  for (int y = half; y < height; y += step) {
    const std::uint8_t *a = row(y - half), *b = row(below(y));
    std::uint8_t* out = row(y);
    for (int x = 0; x < width; x += step) out[x] = static_cast<std::uint8_t>((a[x] + b[x] + 1) / 2);
    int x = half;
    for (; x + half < width; x += step)
      out[x] = static_cast<std::uint8_t>((a[x - half] + a[x + half] + b[x - half] + b[x + half] + 2) / 4);
    if (x < width) out[x] = static_cast<std::uint8_t>((2 * a[x - half] + 2 * b[x - half] + 2) / 4);
  }
}

}  // namespace pixcodec::photocd
