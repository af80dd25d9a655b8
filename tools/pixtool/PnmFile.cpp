#include "tools/pixtool/PnmFile.h"

#include "ipl/Ipl.h"

#include <fstream>
#include <vector>

namespace {

// Skips white space and comments, then reads a decimal number.
bool readNumber(std::istream& in, int& value) {
  for (int c = in.peek(); in && (std::isspace(c) || c == '#'); c = in.peek()) {
    if (c == '#') {
      std::string comment;
      std::getline(in, comment);
    } else {
      in.get();
    }
  }
  return static_cast<bool>(in >> value);
}

bool readHeader(std::istream& in, PnmInfo& info, std::string& error) {
  char magic[2] = {};
  in.read(magic, 2);
  if (!in || magic[0] != 'P' || (magic[1] != '5' && magic[1] != '6')) {
    error = "not a binary PNM (P5 or P6) file";
    return false;
  }
  info.kind = magic[1];
  if (!readNumber(in, info.width) || !readNumber(in, info.height) || !readNumber(in, info.maxValue) ||
      info.width < 1 || info.height < 1 || info.maxValue < 1 || info.maxValue > 255) {
    error = "bad PNM header (only 8-bit samples are read)";
    return false;
  }
  in.get();  // the single white-space character before the samples
  return true;
}

// The stored row that holds picture row `row` (0 = top).
int storedRow(const CxImage& image, int row) {
  const IplImage* ipl = image;
  return ipl->origin == IPL_ORIGIN_BL ? image.Height() - 1 - row : row;
}

bool createFor(CxImage& image, int width, int height, int channels) {
  if (channels == 1)
    return image.Create(width, height, "GRAY", "GRAY", 1, 0, CxImage::DefaultImageOrigin(), IPL_DEPTH_8U);
  return image.Create(width, height, channels == 4 ? 1 : 0);
}

// Copies file rows (top first) into the image; swap exchanges the first and
// third channel (file RGB versus stored BGR).
bool readRows(std::istream& in, CxImage& image, int fileChannels, bool swap) {
  std::vector<unsigned char> row(static_cast<size_t>(image.Width()) * fileChannels);
  for (int y = 0; y < image.Height(); ++y) {
    if (!in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()))) return false;
    unsigned char* dst = image.GetRowPtr(storedRow(image, y));
    const int n = image.SamplesPerPixel();
    for (int x = 0; x < image.Width(); ++x)
      for (int c = 0; c < fileChannels; ++c)
        dst[x * n + c] = row[x * fileChannels + (swap ? fileChannels - 1 - c : c)];
  }
  return true;
}

}  // namespace

bool ReadPnmInfo(const std::string& path, PnmInfo& info, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  return readHeader(in, info, error);
}

bool LoadPnm(const std::string& path, CxImage& image, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  PnmInfo info;
  if (!in) error = "cannot open " + path;
  if (!in || !readHeader(in, info, error)) return false;
  const int channels = info.kind == '5' ? 1 : 3;
  if (!createFor(image, info.width, info.height, channels)) {
    error = "cannot create the image";
    return false;
  }
  if (!readRows(in, image, channels, channels == 3)) {
    error = "file ends before its samples do";
    image.CleanUp();
    return false;
  }
  return true;
}

bool LoadRaw(const std::string& path, int width, int height, int channels, CxImage& image,
             std::string& error) {
  if (channels != 1 && channels != 3 && channels != 4) {
    error = "channels must be 1, 3 or 4";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  if (!createFor(image, width, height, channels)) {
    error = "cannot create a " + std::to_string(width) + " x " + std::to_string(height) + " image";
    return false;
  }
  if (!readRows(in, image, channels, false)) {
    error = "file is shorter than " + std::to_string(width) + " x " + std::to_string(height) + " x " +
            std::to_string(channels) + " bytes";
    image.CleanUp();
    return false;
  }
  return true;
}

bool WritePnm(const std::string& path, const CxImage& image, std::string& error) {
  if (!image.IsValid() || image.BitsPerSample() != IPL_DEPTH_8U) {
    error = "no 8-bit image to write";
    return false;
  }
  std::ofstream out(path, std::ios::binary);
  const bool grey = image.SamplesPerPixel() == 1;
  out << (grey ? "P5\n" : "P6\n") << image.Width() << ' ' << image.Height() << "\n255\n";
  const int n = image.SamplesPerPixel(), fileChannels = grey ? 1 : 3;
  std::vector<unsigned char> row(static_cast<size_t>(image.Width()) * fileChannels);
  for (int y = 0; y < image.Height(); ++y) {
    const unsigned char* src = image.GetRowPtr(storedRow(image, y));
    for (int x = 0; x < image.Width(); ++x)
      for (int c = 0; c < fileChannels; ++c) row[x * fileChannels + c] = src[x * n + (grey ? 0 : 2 - c)];
    out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
  }
  if (!out.flush()) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}
