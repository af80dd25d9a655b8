// LZW TIFF files written by ImageMagick and tiffcp, read by our strip decoder,
// give exactly the pixels libtiff decodes from uncompressed copies of them;
// damaged ones give the rows before the damage, grey below and a warning.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "pixlib/codecs/tiff/HorizontalPredictor.h"
#include "pixlib/codecs/tiff/LzwStripDecoder.h"
#include "pixlib/codecs/tiff/TiffHandle.h"
#include "pixlib/codecs/tiff/TiffStripDecoder.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

constexpr int kFourChannels = 2;  // channel mode: alpha kept, opaque when the file has none

class TiffLzwTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"/usr/bin/convert", "/usr/bin/tiffcp"})
      if (!ToolPresent(tool)) GTEST_SKIP() << tool << " not installed (imagemagick, libtiff-tools)";
    // Noise (nearly incompressible: short strings, the table filled and
    // cleared) beside a flat band (long strings, the code-not-yet-defined
    // case), odd sizes down to one pixel, grey and alpha.
    Make("noise.ppm",
         "-size 301x77 gradient:black-white -seed 7 -attenuate 0.6 +noise Uniform"
         " -fill '#f4e8d0' -draw 'rectangle 200,0 300,76'");
    Make("flat.ppm", "-size 640x48 xc:'#336699'");
    Make("odd.ppm", "-size 17x3 plasma:red-blue -seed 3 +noise Impulse");
    Make("one.ppm", "-size 1x1 xc:'#102030'");
    Make("grey.pgm", "{noise.ppm} -colorspace gray");
    Make("alpha.tif",
         "{noise.ppm} \\( {noise.ppm} -colorspace gray -negate \\) -compose CopyOpacity -composite"
         " -compress None");
  }

  std::string Expand(std::string text) const {
    for (const char* name : {"noise.ppm", "flat.ppm", "odd.ppm", "one.ppm", "grey.pgm", "alpha.tif"}) {
      const std::string key = std::string("{") + name + "}";
      for (std::size_t at; (at = text.find(key)) != std::string::npos;)
        text.replace(at, key.size(), dir.Path(name));
    }
    return text;
  }
  void Make(const char* name, const std::string& args) {
    ASSERT_TRUE(RunCommand("/usr/bin/convert " + Expand(args) + " -depth 8 " + dir.Path(name)));
  }

  // Loads `path`; the library's warnings go to `warnings`.
  static int Load(const std::string& path, CxImage& image, std::string& warnings) {
    testing::internal::CaptureStdout();
    const int result = image.Load(path.c_str(), kFourChannels, 1, 0, 0, nullptr);
    warnings = testing::internal::GetCapturedStdout();
    return result;
  }

  // Loads `path` and libtiff's uncompressed copy of it. The copy's bytes are in
  // the other fill order, which only libtiff's own reader takes, so that the
  // reference never passes through our strip decoder.
  void LoadWithReference(const std::string& path, CxImage& ours, CxImage& reference) {
    const std::string plain = path + ".plain.tif";
    ASSERT_TRUE(RunCommand("/usr/bin/tiffcp -c none -f lsb2msb " + path + " " + plain));
    std::string warnings;
    ASSERT_EQ(1, Load(plain, reference, warnings)) << warnings;
    ASSERT_EQ(1, Load(path, ours, warnings)) << warnings;
    EXPECT_EQ("", warnings);
  }

  TempDir dir;
};

TEST_F(TiffLzwTest, FilesOfOtherWritersMatchLibtiff) {
  const char* const writers[] = {
      "/usr/bin/convert {noise.ppm} -compress LZW {out}",
      "/usr/bin/convert {noise.ppm} -compress LZW -define tiff:predictor=2 {out}",
      "/usr/bin/convert {flat.ppm} -compress LZW {out}",
      "/usr/bin/convert {grey.pgm} -compress LZW -define tiff:predictor=2 {out}",
      "/usr/bin/convert {alpha.tif} -compress LZW -define tiff:predictor=2 {out}",
      "/usr/bin/convert {odd.ppm} -compress LZW {out}",
      "/usr/bin/convert {one.ppm} -compress LZW {out}",
      "/usr/bin/convert {noise.ppm} {out}.src.tif && /usr/bin/tiffcp -c lzw -r 1 {out}.src.tif {out}",
      "/usr/bin/convert {noise.ppm} {out}.src.tif && /usr/bin/tiffcp -c lzw:2 -r 100000 {out}.src.tif {out}",
      "/usr/bin/convert {flat.ppm} {out}.src.tif && /usr/bin/tiffcp -c lzw:2 -r 5 {out}.src.tif {out}",
      "/usr/bin/convert {grey.pgm} {out}.src.tif && /usr/bin/tiffcp -c lzw -r 100000 {out}.src.tif {out}",
      "/usr/bin/tiffcp -c lzw:2 -r 1 {alpha.tif} {out}",
      "/usr/bin/tiffcp -c lzw -r 3 {alpha.tif} {out}",
      "/usr/bin/convert {odd.ppm} {out}.src.tif && /usr/bin/tiffcp -c lzw:2 -r 2 {out}.src.tif {out}",
      // Stored bottom row first: strips of whole rows land back to back in the
      // image (alpha: no row padding) or go through a strip buffer (RGB: padded).
      "/usr/bin/convert {alpha.tif} -orient BottomLeft -compress LZW {out}",
      "/usr/bin/convert {noise.ppm} -orient BottomLeft -compress LZW {out}",
  };
  int index = 0;
  for (const char* writer : writers) {
    SCOPED_TRACE(writer);
    const std::string file = dir.Path("v" + std::to_string(index++) + ".tif");
    std::string command = Expand(writer);
    for (std::size_t at; (at = command.find("{out}")) != std::string::npos;) command.replace(at, 5, file);
    ASSERT_TRUE(RunCommand(command));
    CxImage ours, reference;
    LoadWithReference(file, ours, reference);
    ASSERT_EQ(reference.Width(), ours.Width());
    ASSERT_EQ(reference.Height(), ours.Height());
    EXPECT_EQ(0, MaxDifference(ours, reference));
  }
}

// A plain LZW encoder (most significant bit first, the width growing one code
// early): with `clearWhenFull` it starts a new table when the table is full,
// as TIFF writers do; without, it goes on with the full table.
struct LzwStream {
  std::vector<unsigned char> bytes;
  std::size_t codes = 0;
};

LzwStream EncodeLzw(const std::vector<unsigned char>& data, bool clearWhenFull) {
  LzwStream stream;
  std::uint64_t bits = 0;
  int pending = 0, width = 9;
  const auto put = [&](unsigned code) {
    bits = bits << width | code;
    pending += width;
    ++stream.codes;
    for (; pending >= 8; pending -= 8)
      stream.bytes.push_back(static_cast<unsigned char>(bits >> (pending - 8)));
  };
  std::unordered_map<unsigned, unsigned> table;
  unsigned next = 258;
  put(256);
  int prefix = -1;
  for (const unsigned char byte : data) {
    if (prefix < 0) {
      prefix = byte;
      continue;
    }
    const unsigned key = static_cast<unsigned>(prefix) << 8 | byte;
    if (const auto found = table.find(key); found != table.end()) {
      prefix = static_cast<int>(found->second);
      continue;
    }
    put(static_cast<unsigned>(prefix));
    if (next < 4096) table[key] = next++;
    if (next == (1u << width) && width < 12) ++width;
    if (next == 4096 && clearWhenFull) {
      put(256);
      table.clear();
      next = 258;
      width = 9;
    }
    prefix = byte;
  }
  if (prefix >= 0) put(static_cast<unsigned>(prefix));
  put(257);
  if (pending > 0) stream.bytes.push_back(static_cast<unsigned char>(bits << (8 - pending)));
  return stream;
}

// Noise (short strings; the table fills), runs (long strings and codes used as
// they are defined) and both mixed, with and without a new table when full,
// decoded whole, into less room than the strip holds, and from codes cut
// short: every byte written is the data's, none outside the room given.
TEST(LzwStripDecoderTest, DecodesWhatAnEncoderWrote) {
  std::mt19937 random(11);
  std::vector<unsigned char> noise(60000), runs(60000), mixed(60000);
  for (auto& b : noise) b = static_cast<unsigned char>(random());
  for (std::size_t i = 0; i < runs.size(); ++i) runs[i] = static_cast<unsigned char>(i / 700 % 3);
  for (std::size_t i = 0; i < mixed.size(); ++i)
    mixed[i] = (i / 3000) % 2 ? noise[i] & 7 : static_cast<unsigned char>(i / 40);
  constexpr std::size_t kGuard = 64;
  const std::vector<unsigned char>* const inputs[] = {&noise, &runs, &mixed};
  for (const auto* data : inputs)
    for (const bool clearWhenFull : {true, false}) {
      SCOPED_TRACE(testing::Message() << "input "
                                      << (data == &noise  ? 0
                                          : data == &runs ? 1
                                                          : 2)
                                      << ", clear when full " << clearWhenFull);
      const LzwStream stream = EncodeLzw(*data, clearWhenFull);
      std::vector<unsigned char> codes = stream.bytes;
      codes.resize(codes.size() + pixcodec::kLzwInputPadding, 0xA5);
      const auto decode = [&](std::size_t codeBytes, std::size_t room, std::size_t* codesRead = nullptr) {
        std::vector<unsigned char> out(room + kGuard, 0xEE);
        const std::size_t produced =
            pixcodec::DecodeLzwStrip(codes.data(), codeBytes, out.data(), room, codesRead);
        EXPECT_LE(produced, room);
        EXPECT_TRUE(std::equal(data->begin(), data->begin() + produced, out.begin()));
        EXPECT_EQ(std::vector<unsigned char>(kGuard, 0xEE),
                  std::vector<unsigned char>(out.begin() + room, out.end()));
        return produced;
      };
      std::size_t codesRead = 0;
      EXPECT_EQ(data->size(), decode(stream.bytes.size(), data->size(), &codesRead));
      EXPECT_EQ(stream.codes - 1, codesRead);  // all but the end code: the room was full before it
      for (const std::size_t room : {std::size_t(1), std::size_t(17), data->size() / 3, data->size() - 1})
        EXPECT_EQ(room, decode(stream.bytes.size(), room));
      for (const std::size_t cut : {std::size_t(1), std::size_t(2), stream.bytes.size() / 2})
        EXPECT_GT(data->size(), decode(cut, data->size()));
    }
}

// Rows of every length up to several vectors, for one, three and four
// samples a pixel: each channel's running sums, and no byte written past the row.
TEST(HorizontalPredictorTest, RowsBecomeRunningSumsPerChannel) {
  std::mt19937 random(3);
  constexpr std::size_t kGuard = 16;
  for (const int step : {1, 3, 4})
    for (std::size_t bytes = 0; bytes <= 100; ++bytes) {
      std::vector<unsigned char> row(bytes + kGuard);
      for (auto& b : row) b = static_cast<unsigned char>(random());
      std::vector<unsigned char> expected = row;
      for (std::size_t i = static_cast<std::size_t>(step); i < bytes; ++i)
        expected[i] = static_cast<unsigned char>(expected[i] + expected[i - static_cast<std::size_t>(step)]);
      pixcodec::UndoHorizontalPredictor(row.data(), bytes, step);
      EXPECT_EQ(expected, row) << "step " << step << ", " << bytes << " bytes";
    }
}

// Uncompressed 8-bit strips are read like LZW strips, whatever libtiff says
// of the predictor of a file whose codec has none.
TEST(TiffStripDecoderTest, TakesPlainAndLzwStrips) {
  TempDir dir;
  for (const int compression : {COMPRESSION_NONE, COMPRESSION_LZW}) {
    SCOPED_TRACE(compression);
    const std::string path = dir.Path("strips.tif");
    TIFF* out = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(nullptr, out);
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, 4);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_COMPRESSION, compression);
    unsigned char row[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (std::uint32_t y = 0; y < 2; ++y) ASSERT_EQ(1, TIFFWriteScanline(out, row, y, 0));
    TIFFClose(out);
    pixcodec::TiffHandle tiff(path.c_str(), "r");
    pixcodec::TiffLayout layout;
    ASSERT_EQ(nullptr, pixcodec::ReadTiffLayout(tiff.get(), layout));
    EXPECT_TRUE(pixcodec::TiffStripDecoder::Handles(tiff.get(), layout));
    EXPECT_EQ("", tiff.LastError());
  }
}

// Where the single strip's offset (tag 273) and byte count (279) are held in
// their directory entries of a little-endian file; 0 when not found.
void FindStripEntries(const std::vector<unsigned char>& bytes, std::size_t& offsetValue,
                      std::size_t& countValue) {
  const auto le = [&](std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int b = n - 1; b >= 0; --b) v = v << 8 | bytes[at + b];
    return v;
  };
  offsetValue = countValue = 0;
  if (bytes.size() < 8 || bytes[0] != 'I') return;
  const std::size_t ifd = le(4, 4);
  for (std::uint32_t i = 0, entries = le(ifd, 2); i < entries; ++i) {
    const std::size_t entry = ifd + 2 + 12 * std::size_t(i);
    if (le(entry, 2) == 273) offsetValue = entry + 8;
    if (le(entry, 2) == 279) countValue = entry + 8;
  }
}

// Codes that run out early (a byte count cut short), a strip beyond the end
// of the file, a byte count past it, and changed bytes: the rows before the
// damage come out exactly, grey below it with a warning; nothing is read
// outside the file or written outside the image.
TEST_F(TiffLzwTest, DamagedStripsGivePartialImages) {
  const std::string file = dir.Path("one-strip.tif");
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + dir.Path("noise.ppm") + " " + file +
                         ".src.tif && /usr/bin/tiffcp"
                         " -c lzw:2 -r 100000 " +
                         file + ".src.tif " + file));
  CxImage whole, reference;
  LoadWithReference(file, whole, reference);
  const std::vector<unsigned char> bytes = ReadBytes(file);
  std::size_t offsetValue = 0, countValue = 0;
  FindStripEntries(bytes, offsetValue, countValue);
  ASSERT_TRUE(offsetValue > 0 && countValue > 0);
  const std::uint32_t count = bytes[countValue] | bytes[countValue + 1] << 8 | bytes[countValue + 2] << 16;
  const auto loadPatched = [&](std::size_t at, std::uint32_t value, CxImage& image, std::string& warnings) {
    std::vector<unsigned char> patched = bytes;
    for (int b = 0; b < 4; ++b) patched[at + b] = static_cast<unsigned char>(value >> (8 * b));
    WriteBytes(dir.Path("patched.tif"), patched);
    return Load(dir.Path("patched.tif"), image, warnings);
  };
  for (const double cut : {0.02, 0.3, 0.95}) {
    SCOPED_TRACE(cut);
    CxImage image;
    std::string warnings;
    ASSERT_EQ(1, loadPatched(countValue, static_cast<std::uint32_t>(count * cut), image, warnings));
    EXPECT_NE(std::string::npos, warnings.find("Premature end of TIFF file")) << warnings;
    const int expectedRows = static_cast<int>(whole.Height() * cut);  // about: codes are 1.5 bytes or more
    int good = 0;
    while (good < image.Height() && PixelAt(image, 5, good) == PixelAt(reference, 5, good) &&
           PixelAt(image, 290, good) == PixelAt(reference, 290, good))
      ++good;
    EXPECT_NEAR(expectedRows, good, 0.1 * whole.Height());
    for (int y = good; y < image.Height(); ++y)
      ASSERT_EQ((std::vector<int>{128, 128, 128, 255}), PixelAt(image, 150, y)) << y;
  }
  CxImage image;
  std::string warnings;
  ASSERT_EQ(1, loadPatched(countValue, 0x7FFFFFF0u, image, warnings));  // read up to the file's end
  EXPECT_EQ(0, MaxDifference(image, reference));
  ASSERT_EQ(1, loadPatched(offsetValue, 0x7FFFFFF0u, image, warnings));  // nothing to read
  EXPECT_NE(std::string::npos, warnings.find("Premature end of TIFF file")) << warnings;
  EXPECT_EQ((std::vector<int>{128, 128, 128, 255}), PixelAt(image, 0, 0));
  for (std::size_t at = 8; at < bytes.size(); at += 37) {
    std::vector<unsigned char> flipped = bytes;
    flipped[at] ^= 0x5A;
    WriteBytes(dir.Path("flipped.tif"), flipped);
    Load(dir.Path("flipped.tif"), image, warnings);
  }
}

}  // namespace
