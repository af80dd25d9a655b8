// Replacing a file: durable in the order a power cut needs, and clean on failure.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
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

// The fsync and rename calls of the process while recording: "sync <name>" and
// "rename <to>", hidden temporary names shown as "<temporary>".
std::mutex g_lock;
bool g_recording = false;
std::vector<std::string> g_calls;

std::string Shown(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  return name.size() > 1 && name[0] == '.' ? "<temporary>" : name;
}

void Record(const std::string& call) {
  std::lock_guard guard(g_lock);
  if (g_recording) g_calls.push_back(call);
}

void Recording(bool on) {
  std::lock_guard guard(g_lock);
  g_recording = on;
  if (on) g_calls.clear();
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  return names;
}

}  // namespace

// The calls go on to the C library's.
extern "C" int fsync(int fd) {
  std::error_code error;
  Record("sync " + Shown(std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error)));
  static const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  return next(fd);
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept {
  Record("rename " + Shown(to));
  static const auto next =
      reinterpret_cast<int (*)(int, const char*, int, const char*)>(::dlsym(RTLD_NEXT, "renameat"));
  return next(fromFolder, from, toFolder, to);
}

namespace {

TEST(FileReplaceTest, TheFileIsOnDiskBeforeItTakesItsNameAndTheNameAfter) {
  TempFolder folder;
  const std::string path = folder.Path() + "/data/img3.jpg.xml";
  Recording(true);
  ASSERT_EQ(bx::WriteFileAtomically(path, "<Foto/>"), std::nullopt);
  Recording(false);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"sync <temporary>", "rename img3.jpg.xml", "sync data"}));
  EXPECT_EQ(Read(path), "<Foto/>");
  EXPECT_EQ(Names(folder.Path() + "/data"), std::vector<std::string>{"img3.jpg.xml"});

  // The same through the folder, kept open by its writer.
  const int data = ::open((folder.Path() + "/data").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(data, 0);
  Recording(true);
  EXPECT_EQ(bx::WriteFileAtomicallyIn(data, "img3.jpg.xml", "<Foto id=\"2\"/>"), std::nullopt);
  Recording(false);
  ::close(data);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"sync <temporary>", "rename img3.jpg.xml", "sync data"}));
  EXPECT_EQ(Read(path), "<Foto id=\"2\"/>");
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

// A forked child writing beside its parent names its temporary files after itself.
TEST(FileReplaceTest, AForkedChildNamesItsTemporaryFilesAfterItself) {
  TempFolder folder;
  const std::string path = folder.Path() + "/BXGrabber.ini";
  ASSERT_EQ(bx::WriteFileAtomically(path, "parent"), std::nullopt);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bx::ReplacingFile file(path.c_str());
    const bool own = file.TemporaryPath().find("." + std::to_string(::getpid()) + ".") != std::string::npos;
    ::_exit(own ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
