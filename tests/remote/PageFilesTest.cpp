// The status page's files as compiled into the program and served at "/".
#include "remote/PageFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

remote::HttpResponse Get(const remote::Router& router, const std::string& path,
                         remote::Router::Access& access) {
  remote::HttpRequest request;
  request.method = "GET";
  request.path = path;
  const remote::Router::Match match = router.Find(request);
  if (match.route == nullptr) return remote::HttpResponse::Error(match.status, "");
  access = match.route->access;
  return match.route->handler(request);
}

TEST(PageFilesTest, EveryFileOfThePageIsServedByteForByteWithoutTheToken) {
  remote::Router router;
  remote::AddPageRoutes(router);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PAGE_SOURCE_DIR)) {
    const std::string name = entry.path().filename().string();
    const std::string path = name == "index.html" ? "/" : "/page/" + name;
    remote::Router::Access access = remote::Router::Access::Token;
    const remote::HttpResponse response = Get(router, path, access);
    EXPECT_EQ(response.status, 200) << path;
    EXPECT_EQ(response.body, ReadFile(entry.path())) << path;
    EXPECT_EQ(access, remote::Router::Access::Open) << path;
    ++files;
  }
  EXPECT_EQ(files, remote::kEmbeddedFileCount);

  remote::Router::Access access{};
  EXPECT_EQ(Get(router, "/", access).contentType, "text/html; charset=utf-8");
  EXPECT_EQ(Get(router, "/page/app.js", access).contentType, "text/javascript; charset=utf-8");
  EXPECT_EQ(Get(router, "/page/style.css", access).contentType, "text/css; charset=utf-8");
  EXPECT_EQ(Get(router, "/page/icon.svg", access).contentType, "image/svg+xml");
  for (const char* missing : {"/page/other.js", "/page/..%2Fapp.js", "/page/", "/index.html"})
    EXPECT_EQ(Get(router, missing, access).status, 404) << missing;
}

}  // namespace
