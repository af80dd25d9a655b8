#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pixlib/codecs/PixelView.h"
#include "pixlib/core/CxImage.h"

namespace codectest {

// A temporary folder removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string Path(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Leaves many freed blocks of `bytes` filled with 0xA5, for the allocator to
// hand out again: pixels that a reader forgot to write then show.
void DirtyFreedMemory(std::size_t bytes);

// Fills `image` (created by the caller) with a smooth pattern that JPEG keeps
// well: B, G, R (and A) vary with x, y and the channel.
void FillPattern(CxImage& image);

// Creates a BGR (or BGRA) image of the given size filled with FillPattern.
void MakePattern(CxImage& image, int width, int height, bool alpha = false);

// Largest absolute difference between two images' samples (same size and
// channels required), rows compared from the top of the picture.
int MaxDifference(CxImage& a, CxImage& b);

// Sample `channel` of the pixel at (x, row from the top).
int SampleAt(CxImage& image, int x, int topRow, int channel);

// Top-down 8-bit pixels read from a binary PPM (P6, RGB), PGM (P5) or PBM
// (P4, as 0 and 255) file; 16-bit samples give their high byte.
struct Pnm {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<unsigned char> pixels;
};
bool ReadPnm(const std::string& path, Pnm& pnm);
void WritePpm(const std::string& path, CxImage& image);

// Largest difference between the colour of our image and a top-down PNM
// (256 when the sizes differ).
int DifferenceFromPnm(CxImage& image, const Pnm& pnm);

// The pixels a reader keeps at 1/reduction: every reduction-th pixel of file
// rows 0, r, 2r, ...; `bottomFirst` files store the bottom row first.
Pnm ReducedPnm(const Pnm& pnm, int reduction, bool bottomFirst);

// Writes `bytes` to a temporary file and loads it through CxImage::Load;
// the library's warnings (standard output) go to `warnings` when given.
int LoadFileBytes(const std::vector<unsigned char>& bytes, CxImage& image, int channelMode = 0,
                  int reduction = 1, std::string* warnings = nullptr);

// B, G, R (and A) of the pixel at (x, row from the top).
std::vector<int> PixelAt(CxImage& image, int x, int topRow);

// Runs a shell command; true when it exits with 0.
bool RunCommand(const std::string& command);
bool ToolPresent(const char* path);

}  // namespace codectest
