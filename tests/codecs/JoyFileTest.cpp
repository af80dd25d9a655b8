// Joy files: the container built by hand to its layout, round trips through
// the library, the conversions to and from plain JPEG.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include <jpeglib.h>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/jpeg/IjgJpegWriter.h"
#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/Rc4Filter.h"
#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/codecs/joy/JoyFiles.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

constexpr int kJoy = 7;
unsigned char kRfcKey[8] = {1, 2, 3, 4, 5, 6, 7, 8};
unsigned char kOtherKey[8] = {8, 7, 6, 5, 4, 3, 2, 1};

// RC4 written out here, apart from the library, to build files by hand.
std::vector<unsigned char> Keystream(const unsigned char* key, std::size_t count) {
  unsigned char s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 8]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::vector<unsigned char> out(count);
  for (std::size_t n = 0, i = 0, j = 0; n < count; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[n] = s[(s[i] + s[j]) & 0xFF];
  }
  return out;
}

void PutLe32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The colour profile at the start of a file (the preview of a Joy file),
// read by libjpeg itself.
std::vector<unsigned char> EmbeddedProfile(const std::string& path) {
  std::vector<unsigned char> profile;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  JOCTET* data = nullptr;
  unsigned length = 0;
  if (jpeg_read_icc_profile(&info, &data, &length)) profile.assign(data, data + length);
  std::free(data);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return profile;
}

class JoyFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string Path(const char* name) const { return dir.Path(name); }

  std::string PlainJpeg(const char* name, int width, int height, bool alpha = false) {
    CxImage image;
    MakePattern(image, width, height, alpha);
    const std::string path = Path(name);
    EXPECT_EQ(1, image.Save(path.c_str(), IMG_TYPE_JPEG, alpha ? 1 : 0, 92, nullptr, alpha ? 0 : 1));
    return path;
  }

  // Names in the folder, so that a test can see that no stray file is left.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(Path("x")).parent_path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(JoyFileTest, KeystreamIsStandardRc4) {
  // RFC 6229, key 0x0102030405060708, keystream bytes 0 to 15.
  const std::vector<unsigned char> expected = {0x97, 0xab, 0x8a, 0x1b, 0xf0, 0xaf, 0xb9, 0x61,
                                               0x32, 0xf2, 0xf6, 0x72, 0x58, 0xda, 0x15, 0xa8};
  EXPECT_EQ(expected, Keystream(kRfcKey, 16));
  // The library's filter in blocks of any size gives the same stream.
  std::vector<unsigned char> bytes(700, 0);
  pixcodec::Rc4Filter filter(kRfcKey);
  filter.Apply(bytes.data(), 3);
  filter.Apply(bytes.data() + 3, 509);
  filter.Apply(bytes.data() + 512, 188);
  EXPECT_EQ(Keystream(kRfcKey, 700), bytes);
}

// Preview, the full JPEG XORed with the keystream, the 64-byte trailer:
// magics, byte 8 = trailer offset, flags 4, byte 32 = stream offset.
TEST_F(JoyFileTest, FileBuiltToTheLayoutLoadsAndConvertsBack) {
  const std::vector<unsigned char> preview = ReadBytes(PlainJpeg("preview.jpg", 64, 32));
  const std::string fullPath = PlainJpeg("full.jpg", 640, 320);
  const std::vector<unsigned char> full = ReadBytes(fullPath);
  std::vector<unsigned char> bytes = preview;
  const std::vector<unsigned char> stream = Keystream(kRfcKey, full.size());
  for (std::size_t i = 0; i < full.size(); ++i) bytes.push_back(full[i] ^ stream[i]);
  const std::size_t trailerAt = bytes.size();
  bytes.resize(trailerAt + 64, 0);
  PutLe32(bytes, trailerAt, 0x87251997u);
  PutLe32(bytes, trailerAt + 4, 0xD5327C31u);
  PutLe32(bytes, trailerAt + 8, static_cast<std::uint32_t>(trailerAt));
  PutLe32(bytes, trailerAt + 12, 4);
  PutLe32(bytes, trailerAt + 32, static_cast<std::uint32_t>(preview.size()));
  const std::string joy = Path("hand.joy");
  WriteBytes(joy, bytes);

  int width = 0, height = 0;
  EXPECT_EQ(kJoy, GetFileType(joy.c_str(), width, height, kRfcKey));
  EXPECT_EQ(640, width);
  CxImage loaded, plain;
  ASSERT_EQ(1, loaded.Load(joy.c_str(), 0, 1, 0, 0, kRfcKey));
  ASSERT_EQ(1, plain.Load(fullPath.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_LE(MaxDifference(loaded, plain), 1);

  ASSERT_EQ(1, JoyFile2Jpeg(joy.c_str(), Path("back.jpg").c_str(), 0, kRfcKey));
  EXPECT_EQ(full, ReadBytes(Path("back.jpg")));
  // The library writes the same bytes from the same parts.
  ASSERT_EQ(1, Jpeg2JoyFile(fullPath.c_str(), Path("made.joy").c_str(), 0, kRfcKey));
  const std::vector<unsigned char> made = ReadBytes(Path("made.joy"));
  const std::size_t madePreview = pixcodec::ReadLe32(&made[made.size() - 64 + 32]);
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + preview.size(), bytes.end() - 64),
            std::vector<unsigned char>(made.begin() + madePreview, made.end() - 64));
}

TEST_F(JoyFileTest, RoundTripsInEveryChannelMode) {
  CxImage colour, alpha;
  MakePattern(colour, 300, 180);
  MakePattern(alpha, 300, 180, true);
  struct Case {
    CxImage* image;
    int keepAlpha;
    int fileAlpha;
  } cases[] = {{&colour, 0, 0}, {&alpha, 1, 1}, {&alpha, 0, 0}};
  const std::string joy = Path("round.joy");
  for (const Case& c : cases) {
    ASSERT_EQ(1, WriteJoyFile(*c.image, joy.c_str(), 95, c.keepAlpha, kOtherKey));
    for (int mode : {0, 1, 2}) {
      SCOPED_TRACE(testing::Message() << "alpha " << c.fileAlpha << " mode " << mode);
      CxImage loaded;
      ASSERT_EQ(1, LoadJoyFile(loaded, joy.c_str(), mode, 1, 0, kOtherKey));
      const int channels = mode == 2 || (mode == 1 && c.fileAlpha) ? 4 : 3;
      ASSERT_EQ(channels, loaded.SamplesPerPixel());
      EXPECT_EQ(c.fileAlpha, loaded.FileHasAlpha());
      for (int ch = 0; ch < channels; ++ch) {
        const int expected = ch < 3 || c.fileAlpha ? SampleAt(*c.image, 150, 90, ch) : 255;
        EXPECT_NEAR(expected, SampleAt(loaded, 150, 90, ch), 6) << ch;
      }
    }
    CxImage reduced;
    ASSERT_EQ(1, LoadJoyFile(reduced, joy.c_str(), 0, 4, 0, kOtherKey));
    EXPECT_EQ(75, reduced.Width());
    EXPECT_EQ(45, reduced.Height());
  }
}

// The preview is a plain colour JPEG: the image itself up to 256 pixels,
// scaled to 256 on the longer side above that, never with alpha.
TEST_F(JoyFileTest, PreviewIsAPlainJpegOfAtMost256Pixels) {
  CxImage small, large;
  MakePattern(small, 200, 100);
  MakePattern(large, 600, 1500, true);
  const std::string smallJoy = Path("small.joy"), largeJoy = Path("large.joy");
  ASSERT_EQ(1, WriteJoyFile(small, smallJoy.c_str(), 90, 0, kRfcKey));
  ASSERT_EQ(1, WriteJoyFile(large, largeJoy.c_str(), 90, 1, nullptr));
  int width = 0, height = 0;
  EXPECT_EQ(kJoy, GetFileType(smallJoy.c_str(), width, height, kRfcKey));
  EXPECT_EQ(9, GetFileType(smallJoy.c_str(), width, height, kOtherKey));
  EXPECT_EQ(200, width);
  EXPECT_EQ(kJoy, GetFileType(largeJoy.c_str(), width, height, nullptr));  // the built-in key

  CxImage preview;
  ASSERT_EQ(1, LoadJpegFile(preview, smallJoy.c_str(), 1, 1, 0, nullptr));
  EXPECT_LE(MaxDifference(preview, small), 8);
  ASSERT_EQ(1, LoadJpegFile(preview, largeJoy.c_str(), 1, 1, 0, nullptr));
  EXPECT_EQ(102, preview.Width());
  EXPECT_EQ(256, preview.Height());
  EXPECT_EQ(0, preview.FileHasAlpha());

  const char* convert = "/usr/bin/convert";
  if (!ToolPresent(convert)) GTEST_SKIP() << "ImageMagick (package imagemagick) is not installed";
  ASSERT_TRUE(RunCommand(std::string(convert) + " " + largeJoy + " " + Path("preview.ppm")));
  Pnm seen;
  ASSERT_TRUE(ReadPnm(Path("preview.ppm"), seen));
  EXPECT_EQ(102, seen.width);
  EXPECT_EQ(256, seen.height);
  EXPECT_EQ(3, seen.channels);
  EXPECT_NEAR(SampleAt(preview, 50, 128, 2), seen.pixels[(128 * 102 + 50) * 3], 2);
}

TEST_F(JoyFileTest, ConversionGivesBackTheJpegByteForByte) {
  const std::string source = PlainJpeg("photo.jpg", 1500, 1000);
  const std::vector<unsigned char> original = ReadBytes(source);
  for (int thumbnail : {0, 1}) {
    SCOPED_TRACE(thumbnail);
    const std::string joy = Path("photo.joy");
    ASSERT_EQ(1, Jpeg2JoyFile(source.c_str(), joy.c_str(), thumbnail, kRfcKey));
    int width = 0, height = 0;
    EXPECT_EQ(kJoy, GetFileType(joy.c_str(), width, height, kRfcKey));
    EXPECT_EQ(1500, width);
    CxImage preview, stored;
    ASSERT_EQ(1, LoadJpegFile(preview, joy.c_str(), 0, 1, 0, nullptr));
    EXPECT_EQ(thumbnail ? 256 : 188, preview.Width());
    EXPECT_EQ(thumbnail, LoadThumbNail(stored, joy.c_str(), 0, 1024));
    if (thumbnail) {
      EXPECT_EQ(1024, stored.Width());
    }
    ASSERT_EQ(1, JoyFile2Jpeg(joy.c_str(), Path("back.jpg").c_str(), 0, kRfcKey));
    EXPECT_EQ(original, ReadBytes(Path("back.jpg")));
    // Converting a Joy file again copies it; a wrong key opens nothing.
    ASSERT_EQ(1, Jpeg2JoyFile(joy.c_str(), Path("again.joy").c_str(), 1, kRfcKey));
    EXPECT_EQ(ReadBytes(joy), ReadBytes(Path("again.joy")));
    EXPECT_EQ(0, JoyFile2Jpeg(joy.c_str(), Path("wrong.jpg").c_str(), 0, kOtherKey));
    EXPECT_FALSE(std::filesystem::exists(Path("wrong.jpg")));
  }
}

// The target is written beside itself and renamed into place: converting a
// file onto itself works, a failing conversion leaves the target as it was.
TEST_F(JoyFileTest, SourceAsTargetAndFailuresKeepFilesWhole) {
  const std::string photo = PlainJpeg("photo.jpg", 400, 300);
  const std::vector<unsigned char> original = ReadBytes(photo);
  ASSERT_EQ(1, Jpeg2JoyFile(photo.c_str(), photo.c_str(), 1, kRfcKey));
  int width = 0, height = 0;
  EXPECT_EQ(kJoy, GetFileType(photo.c_str(), width, height, kRfcKey));
  ASSERT_EQ(1, JoyFile2Jpeg(photo.c_str(), photo.c_str(), 0, kRfcKey));
  EXPECT_EQ(original, ReadBytes(photo));

  const std::string notJpeg = Path("notes.txt");
  WriteBytes(notJpeg, {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(0, Jpeg2JoyFile(notJpeg.c_str(), photo.c_str(), 0, kRfcKey));
  EXPECT_EQ(0, JoyFile2Jpeg(notJpeg.c_str(), photo.c_str(), 0, kRfcKey));
  EXPECT_EQ(0, Jpeg2JoyFile(photo.c_str(), Path("no/such/folder.joy").c_str(), 0, kRfcKey));
  EXPECT_EQ(original, ReadBytes(photo));
  EXPECT_EQ((std::vector<std::string>{"notes.txt", "photo.jpg"}), Files());
}

TEST_F(JoyFileTest, FlagReencodesFourComponentImagesWithoutAlpha) {
  const std::string withAlpha = PlainJpeg("alpha.jpg", 120, 80, true);
  CxImage image;
  MakePattern(image, 120, 80, true);
  const std::string joy = Path("alpha.joy");
  ASSERT_EQ(1, WriteJoyFile(image, joy.c_str(), 90, 1, kRfcKey));
  for (const std::string& source : {withAlpha, joy}) {
    const std::string out = Path("plain.jpg");
    ASSERT_EQ(1, JoyFile2Jpeg(source.c_str(), out.c_str(), 1, kRfcKey));
    CxImage loaded;
    ASSERT_EQ(1, loaded.Load(out.c_str(), 1, 1, 0, 0, nullptr));
    EXPECT_EQ(0, loaded.FileHasAlpha());
    EXPECT_EQ(3, loaded.SamplesPerPixel());
    EXPECT_NEAR(SampleAt(image, 60, 40, 1), SampleAt(loaded, 60, 40, 1), 6);
    // Without the flag the four components stay.
    ASSERT_EQ(1, JoyFile2Jpeg(source.c_str(), out.c_str(), 0, kRfcKey));
    ASSERT_EQ(1, loaded.Load(out.c_str(), 1, 1, 0, 0, nullptr));
    EXPECT_EQ(1, loaded.FileHasAlpha());
  }
}

TEST_F(JoyFileTest, KeysFromTheCallerTheLibraryOrBuiltIn) {
  CxImage image;
  MakePattern(image, 320, 240);
  const std::string builtIn = Path("builtin.joy"), own = Path("own.joy");
  ASSERT_EQ(1, WriteJoyFile(image, builtIn.c_str(), 90, 0, nullptr));
  ASSERT_EQ(1, WriteJoyFile(image, own.c_str(), 90, 0, kOtherKey));
  int width = 0, height = 0;
  EXPECT_EQ(kJoy, GetFileType(builtIn.c_str(), width, height, nullptr));
  EXPECT_EQ(9, GetFileType(own.c_str(), width, height, nullptr));
  CxImage::SetCryptoKey(kOtherKey);
  EXPECT_EQ(8, GetFileType(own.c_str(), width, height, nullptr));
  CxImage loaded;
  EXPECT_EQ(1, loaded.Load(own.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(320, loaded.Width());
  CxImage::SetCryptoKey(nullptr);
  EXPECT_EQ(1, loaded.Load(own.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(256, loaded.Width());  // only the preview opens
  EXPECT_EQ(0, LoadJoyFile(loaded, Path("missing.joy").c_str(), 0, 1, 0, nullptr));
}

TEST_F(JoyFileTest, PreviewCarriesTheSourcesColourProfile) {
  CxImage image;
  MakePattern(image, 500, 400);
  std::vector<unsigned char> profile(3000);
  for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<unsigned char>(i * 7);
  const std::string source = Path("profiled.jpg");
  std::FILE* file = std::fopen(source.c_str(), "wb");
  pixcodec::FileSink sink(file);
  pixcodec::IjgWriteOptions options;
  options.iccProfile = &profile;
  ASSERT_TRUE(pixcodec::WriteJpegIjg(pixcodec::ViewOf(image), options, sink));
  std::fclose(file);
  ASSERT_EQ(profile, EmbeddedProfile(source));

  const std::string joy = Path("profiled.joy");
  ASSERT_EQ(1, Jpeg2JoyFile(source.c_str(), joy.c_str(), 1, kRfcKey));
  EXPECT_EQ(profile, EmbeddedProfile(joy));
  ASSERT_EQ(1, Jpeg2JoyFile(PlainJpeg("plain.jpg", 300, 200).c_str(), joy.c_str(), 0, kRfcKey));
  EXPECT_TRUE(EmbeddedProfile(joy).empty());
}

}  // namespace
