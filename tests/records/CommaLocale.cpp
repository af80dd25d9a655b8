#include "CommaLocale.h"

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The folder with the compiled locale: built by the first caller of the process,
// removed when the process ends.
class LocaleFolder {
 public:
  LocaleFolder()
      : path_(std::filesystem::temp_directory_path() / ("bxlocale-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
    const std::string command =
        "/usr/bin/localedef -i it_IT -f UTF-8 '" + (path_ / "it_IT.UTF-8").string() + "' >/dev/null 2>&1";
    std::system(command.c_str());
  }
  ~LocaleFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

std::string LocalePath() {
  static const LocaleFolder folder;
  return folder.Path();
}

}  // namespace

CommaLocale::CommaLocale() {
  setenv("LOCPATH", LocalePath().c_str(), 1);
  active_ = std::setlocale(LC_NUMERIC, "it_IT.UTF-8") != nullptr;
}

CommaLocale::~CommaLocale() {
  std::setlocale(LC_NUMERIC, "C");
  unsetenv("LOCPATH");
}
