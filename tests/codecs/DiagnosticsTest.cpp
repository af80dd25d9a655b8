// The library's diagnostic hooks: warnings, progress and the IPL error handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ipl/Ipl.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/IplErrorHandler.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

struct ProgressCall {
  long done;
  long total;
  std::string text;
};
std::vector<ProgressCall> g_calls;

void RecordProgress(long done, long total, char* text) {
  g_calls.push_back({done, total, text != nullptr ? text : "<null>"});
}

TEST(DiagnosticsTest, WarningsGoToStandardOutputWithTheirPrefix) {
  testing::internal::CaptureStdout();
  ImgWarning("Can't open file %s\n", "x.jpg");
  EXPECT_EQ("\n\nimg_warning : Can't open file x.jpg\n", testing::internal::GetCapturedStdout());
  EXPECT_STREQ("Can't open file x.jpg", ImgLastWarning());
  ImgClearLastWarning();
  EXPECT_STREQ("", ImgLastWarning());
}

TEST(DiagnosticsTest, ReadersAndWritersReportProgressByRow) {
  TempDir dir;
  CxImage image, loaded;
  MakePattern(image, 20, 13);
  const std::string path = dir.Path("p.jpg");
  ASSERT_EQ(ImgProgressBar, ImgProgress);
  ImgProgress = RecordProgress;
  g_calls.clear();
  const int saved = image.Save(path.c_str(), 2, 0, 90, nullptr, 0);
  const std::vector<ProgressCall> writing = g_calls;
  g_calls.clear();
  const int read = loaded.Load(path.c_str(), 0, 1, 0, 0, nullptr);
  ImgProgress = ImgProgressBar;
  ASSERT_EQ(1, saved);
  ASSERT_EQ(1, read);

  ASSERT_EQ(14u, writing.size());
  EXPECT_EQ("Writing JPEG", writing.front().text);
  EXPECT_EQ(0, writing.front().done);
  for (std::size_t row = 1; row < writing.size(); ++row) {
    EXPECT_EQ(long(row), writing[row].done);
    EXPECT_EQ(13, writing[row].total);
    EXPECT_EQ("<null>", writing[row].text);
  }
  ASSERT_EQ(2u, g_calls.size());
  EXPECT_EQ("Loading JPEG", g_calls.front().text);
  EXPECT_EQ(13, g_calls.back().done);
  EXPECT_EQ("<null>", g_calls.back().text);
}

TEST(DiagnosticsTest, IplErrorHandlerIsInstalledSilentAndKeepsOnlyOutOfMemory) {
  EXPECT_EQ(IPLErrorHandler, iplRedirectError(IPLErrorHandler));
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  iplError(IPL_StsNoMem, "iplAllocateImage", "no memory", __FILE__, __LINE__);
  const IPLStatus afterNoMemory = iplGetErrStatus();
  iplError(IPL_StsBadArg, "iplCopy", "bad argument", __FILE__, __LINE__);
  const IPLStatus afterBadArg = iplGetErrStatus();
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_EQ("", testing::internal::GetCapturedStdout());
  EXPECT_EQ(IPL_StsError, afterNoMemory);
  EXPECT_EQ(IPL_StsOk, afterBadArg);
  EXPECT_EQ(IPL_StsError, IPLErrorHandler(IPL_StsNoMem, "", "", "", 0));
}

}  // namespace
