// Replacing a file: durable in the order a power cut needs, and clean on failure.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/ExchangedFile.h"
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

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned int flags) noexcept {
  Record((flags & RENAME_EXCHANGE ? "exchange " : "rename ") + Shown(to));
  static const auto next = reinterpret_cast<int (*)(int, const char*, int, const char*, unsigned int)>(
      ::dlsym(RTLD_NEXT, "renameat2"));
  return next(fromFolder, from, toFolder, to, flags);
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

// A file kept open with its folder and replaced through its spare: durable in
// the same order, and told apart from the spare. A text shorter than the spare
// takes a new file, so that no reader finds an old end behind it.
TEST(ExchangedFileTest, TheSpareIsOnDiskBeforeItTakesTheNameAndTheNameAfter) {
  TempFolder folder;
  const std::string path = folder.Path() + "/App.ini";
  ASSERT_EQ(bx::WriteFileAtomically(path, "first"), std::nullopt);
  const int open = ::open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(open, 0);
  {
    bx::ExchangedFile file(open, "App.ini");
    struct stat written {};
    timespec last{};
    const std::pair<std::string, std::string> writes[] = {{"second", "exchange"},
                                                          {"third!", "exchange"},
                                                          {"the fourth, longest", "exchange"},
                                                          {"5th", "rename"},
                                                          {"sixth", "exchange"}};
    for (const auto& [text, how] : writes) {
      Recording(true);
      ASSERT_EQ(file.Replace(text, written), std::nullopt);
      Recording(false);
      EXPECT_EQ(g_calls, (std::vector<std::string>{"sync <temporary>", how + " App.ini",
                                                   "sync " + Shown(folder.Path())}))
          << text;
      EXPECT_EQ(Read(path), text);
      struct stat status {};
      ASSERT_EQ(::stat(path.c_str(), &status), 0);
      EXPECT_EQ(status.st_ino, written.st_ino);
      EXPECT_EQ(status.st_size, written.st_size);
      // Later than the write before, even within one tick of the file system's clock.
      EXPECT_TRUE(status.st_mtim.tv_sec > last.tv_sec ||
                  (status.st_mtim.tv_sec == last.tv_sec && status.st_mtim.tv_nsec > last.tv_nsec));
      last = status.st_mtim;
    }
    EXPECT_EQ(Names(folder.Path()).size(), 2u);  // the file and its spare
  }
  EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"App.ini"});
  ::close(open);
}

// The spare never writes over what has another name: a hard link to the file,
// a parent's spare inherited by a forked child. A spare removed by a clean-up
// of partial files costs that write its speed, not its text.
TEST(ExchangedFileTest, WritesOnlyWhatNoOtherNameHolds) {
  TempFolder folder;
  const std::string path = folder.Path() + "/App.ini";
  ASSERT_EQ(bx::WriteFileAtomically(path, "linked"), std::nullopt);
  ASSERT_EQ(::link(path.c_str(), (folder.Path() + "/backup").c_str()), 0);
  const int open = ::open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(open, 0);
  bx::ExchangedFile file(open, "App.ini");
  struct stat written {};
  for (const std::string text : {"parent 1", "parent 2", "parent 3"})
    ASSERT_EQ(file.Replace(text, written), std::nullopt);
  EXPECT_EQ(Read(folder.Path() + "/backup"), "linked");

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(file.Replace("child", written) || Read(path) != "child" ? 1 : 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(file.Replace("parent 4", written), std::nullopt);
  EXPECT_EQ(Read(path), "parent 4");

  for (const std::string& name : Names(folder.Path()))
    if (bx::IsPartialFileName(name)) std::filesystem::remove(folder.Path() + "/" + name);
  for (const std::string text : {"parent 5", "parent 6"}) {
    ASSERT_EQ(file.Replace(text, written), std::nullopt);
    EXPECT_EQ(Read(path), text);
  }
  ::close(open);
}

}  // namespace
