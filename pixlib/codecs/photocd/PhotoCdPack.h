#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace pixcodec::photocd {

constexpr long kSectorSize = 2048;

// Luminance and chroma of one stored resolution, chroma spread to every
// pixel; rows from the top of the picture.
struct YccImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> y, c1, c2;  // width x height each
};

// Reads a pack front to back through one open file: seeks go forward only,
// and every read must be whole. A fatal condition is reported on standard
// error with the reader's message and ends the load (never the process).
class PackReader {
 public:
  explicit PackReader(std::FILE* file) : m_file(file) {}
  bool SeekSector(long sector);
  bool Read(std::uint8_t* bytes, std::size_t count);
  // Reads what there is, up to `count` bytes; the number read.
  std::size_t ReadUpTo(std::uint8_t* bytes, std::size_t count);

 private:
  std::FILE* m_file;
  long m_position = 0;
};

// Prints a fatal condition's message on standard error.
void ReportFatal(const char* message);

// True when the pack header ("PCD_IPI" at the start of sector 1) is there.
bool HasPackHeader(std::FILE* file);

// The orientation code (1 to 8, as TIFF and Exif count) that shows the
// pack's picture upright: the low two bits of the header's attribute byte
// (byte 0x602 of sector 1) count quarter turns counter-clockwise, as the
// packs ImageMagick writes from upright portraits say (code 1) and as its
// reader turns them. 0 without a header. The reader itself never turns.
int PackOrientation(std::FILE* file);

// Reads the stored resolution for `reduction` (2: 768 x 512, 4: 384 x 256,
// 8: 192 x 128) with its chroma interpolated. With `scale` 2 the samples go
// to every second pixel of every second row of an image twice the size, and
// the luminance between them is interpolated too. False after a fatal
// condition.
bool ReadBaseImage(PackReader& pack, int reduction, YccImage& image, int scale = 1);

// ReadBaseImage in its steps: the stored samples placed `scale` pixels apart
// (chroma on the even pixels of every second row), the rest zero; then the
// luminance between them (scale 2); then the chroma.
bool ReadBaseSamples(PackReader& pack, int reduction, YccImage& image, int scale);
void InterpolateLuminance(YccImage& image, int scale);
void InterpolateChroma(YccImage& image, int scale);

// Fills the samples of `plane` that lie between those at multiples of
// `step` (a power of two) for one halving of the spacing: along rows the
// rounded mean of left and right, between rows the mean of above and below,
// and for the centres the mean of the four diagonal neighbours. Edges repeat
// the last sample.
void HalveSpacing(std::vector<std::uint8_t>& plane, int width, int height, int step);

}  // namespace pixcodec::photocd
