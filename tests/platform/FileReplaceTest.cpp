// Replacing a file: durable in the order a power cut needs, and clean on failure.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FileReplace.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/TempFolder.h"

namespace {

// The fsync and rename calls of the process while recording: "sync <path>" and
// "rename <to>", the paths with hidden temporary names shown as "<temporary>".
std::mutex g_lock;
bool g_recording = false;
std::vector<std::string> g_calls;

std::string Shown(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  return name.size() > 1 && name[0] == '.' ? "<temporary>" : name;
}

void Record(const std::string& call) {
  std::lock_guard guard(g_lock);
  if (g_recording) g_calls.push_back(call);
}

std::string PathOf(int fd) {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error).string();
}

class RecordedCalls {
 public:
  RecordedCalls() {
    std::lock_guard guard(g_lock);
    g_calls.clear();
    g_recording = true;
  }
  std::vector<std::string> Stop() {
    std::lock_guard guard(g_lock);
    g_recording = false;
    return g_calls;
  }
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

}  // namespace

// The calls go on to the C library's.
extern "C" int fsync(int fd) {
  Record("sync " + Shown(PathOf(fd)));
  static const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  return next(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  Record("rename " + Shown(to) + (Shown(from) == "<temporary>" ? "" : " from " + Shown(from)));
  static const auto next = reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
  return next(from, to);
}

namespace {

TEST(FileReplaceTest, TheFileIsOnDiskBeforeItTakesItsNameAndTheNameAfter) {
  TempFolder folder;
  const std::string path = folder.Path() + "/data/img3.jpg.xml";
  RecordedCalls calls;
  ASSERT_EQ(bx::WriteFileAtomically(path, "<Foto/>"), std::nullopt);
  EXPECT_EQ(calls.Stop(), (std::vector<std::string>{"sync <temporary>", "rename img3.jpg.xml", "sync data"}));
  EXPECT_EQ(Read(path), "<Foto/>");
  EXPECT_EQ(Names(folder.Path() + "/data"), std::vector<std::string>{"img3.jpg.xml"});
}

TEST(FileReplaceTest, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::string path = folder.Path() + "/BXGrabber.ini";
  ASSERT_EQ(bx::WriteFileAtomically(path, "old"), std::nullopt);
  {
    const FileSizeLimit full(100);
    const auto problem = bx::WriteFileAtomically(path, std::string(200000, 'n'));
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(path), std::string::npos) << *problem;
  }
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"BXGrabber.ini"});
}

}  // namespace
