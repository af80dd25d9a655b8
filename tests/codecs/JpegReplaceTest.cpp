// Writing a JPEG over an existing file: the old file stays whole until the new
// one is complete.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "pixlib/codecs/PhotoJpeg.h"
#include "pixlib/core/CxImage.h"
#include "pixlib/codecs/FileType.h"
#include "tests/codecs/CodecTestSupport.h"

namespace {

using namespace codectest;

// Runs `save` in a child process whose files may not grow beyond `limit`
// bytes, as on a full disk; the child's exit code is the save's result.
int SaveWithFileSizeLimit(rlim_t limit, const std::function<int()>& save) {
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails instead
    const rlimit small{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &small);
    ::_exit(save());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(JpegReplace, AFailedWriteLeavesThePreviousFileAndNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.Path("img7.jpg");
  CxImage small;
  MakePattern(small, 64, 48);
  ASSERT_EQ(small.Save(path.c_str(), IMG_TYPE_JPEG, 0, 90, nullptr, 1), 1);
  const std::vector<unsigned char> previous = ReadBytes(path);

  CxImage large;
  MakePattern(large, 1200, 900);
  // The photo's two-step writer also stops its decoding thread when the write fails.
  const std::function<int()> saves[] = {
      [&] { return large.Save(path.c_str(), IMG_TYPE_JPEG, 0, 90, nullptr, 1); },
      [&] { return large.Save(path.c_str(), IMG_TYPE_JPEG, 0, 90, nullptr, 0); },
      [&] { return PhotoJpeg().Write(large, path.c_str(), 90); }};
  for (std::size_t i = 0; i < std::size(saves); ++i) {
    EXPECT_EQ(SaveWithFileSizeLimit(previous.size() + 1000, saves[i]), 0) << i;
    EXPECT_EQ(ReadBytes(path), previous) << i;
  }
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
    EXPECT_EQ(entry.path().filename(), "img7.jpg");
    ++files;
  }
  EXPECT_EQ(files, 1);

  ASSERT_EQ(large.Save(path.c_str(), IMG_TYPE_JPEG, 0, 90, nullptr, 1), 1);
  CxImage reread;
  ASSERT_EQ(reread.Load(path.c_str(), 0, 1, 0, 0, nullptr), 1);
  EXPECT_EQ(reread.Width(), 1200);
}

TEST(JpegReplace, AFolderThatCannotBeWrittenFailsTheSave) {
  CxImage image;
  MakePattern(image, 16, 16);
  EXPECT_EQ(image.Save("/nonexistent-folder/img1.jpg", IMG_TYPE_JPEG, 0, 90, nullptr, 1), 0);
  EXPECT_EQ(image.Save("/nonexistent-folder/img1.jpg", IMG_TYPE_JPEG, 0, 90, nullptr, 0), 0);
}

}  // namespace
