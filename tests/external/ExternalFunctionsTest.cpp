// Loading the external functions library and calling its entry points.
#include "app/external/CExternalFunctions.h"
#include "app/external/PhotoDataBlock.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace {

struct Logged {
  std::vector<std::string> lines;
  CExternalFunctions::Logger Logger() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
};

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(ExternalFunctionsTest, ABareNameLiesInTheProgramFolder) {
  EXPECT_EQ(CExternalFunctions::ResolvePath("ExternalFunctions.so", "/opt/bx/"),
            "/opt/bx/ExternalFunctions.so");
  EXPECT_EQ(CExternalFunctions::ResolvePath("libc.so.6", "/opt/bx"), "/opt/bx/libc.so.6");
  EXPECT_EQ(CExternalFunctions::ResolvePath("./ExternalFunctions.so", "/opt/bx"), "./ExternalFunctions.so");
  EXPECT_EQ(CExternalFunctions::ResolvePath("/srv/site.so", "/opt/bx"), "/srv/site.so");
  EXPECT_EQ(CExternalFunctions::ResolvePath("", "/opt/bx"), "");
}

TEST(ExternalFunctionsTest, AMissingLibraryIsSkippedWithOneLogLine) {
  Logged logged;
  CExternalFunctions functions;
  EXPECT_FALSE(functions.Load("/nonexistent/ExternalFunctions.so", logged.Logger()));
  EXPECT_FALSE(functions.Load("/nonexistent/ExternalFunctions.so", logged.Logger()));
  EXPECT_FALSE(functions.IsLoaded());
  ASSERT_EQ(logged.lines.size(), 1u);
  EXPECT_NE(logged.lines[0].find("External functions not loaded"), std::string::npos);
  EXPECT_FALSE(functions.PreTrigger(logged.Logger()));
  functions.CallInit(nullptr, "BXGrabber", true, "/tmp/none.log", true);  // nothing to call
}

TEST(ExternalFunctionsTest, ALibraryWithoutTheEntriesAllowsEveryShot) {
  Logged logged;
  CExternalFunctions functions;
  ASSERT_TRUE(functions.Load(BX_LIBRARY_WITHOUT_ENTRIES, logged.Logger()));
  EXPECT_FALSE(functions.PreTrigger(logged.Logger()));
}

TEST(ExternalFunctionsTest, TheExampleReceivesTheLogAndRefusesEveryOtherShot) {
  TempFolder folder;
  const std::string logPath = folder.Path() + "/BXGrabber.log";
  Logged logged;
  CExternalFunctions functions;
  ASSERT_TRUE(functions.Load(BX_EXAMPLE_LIBRARY, logged.Logger())) << logged.lines.front();
  functions.CallInit(nullptr, "BXGrabber", true, logPath, true);
  const auto preTrigger = functions.PreTrigger(logged.Logger());
  ASSERT_TRUE(preTrigger);
  EXPECT_EQ(preTrigger(), 0);
  EXPECT_EQ(preTrigger(), 1);

  // A second load (a camera reconnect) finds the same library, which kept its
  // state and is not initialised again.
  CExternalFunctions again;
  ASSERT_TRUE(again.Load(BX_EXAMPLE_LIBRARY, logged.Logger()));
  again.CallInit(nullptr, "BXGrabber", true, logPath, true);
  functions.CallInit(nullptr, "BXGrabber", true, logPath, true);
  EXPECT_EQ(again.PreTrigger(logged.Logger())(), 0);
  EXPECT_EQ(ReadFile(logPath + ".example"),
            "Init BXGrabber enabled=1\nPreTrigger refuse\nPreTrigger allow\n"
            "PreTrigger refuse\n");
}

}  // namespace

// The block carries the record there and back; what a library leaves malformed
// comes back bounded and without events the text form cannot hold.
TEST(ExternalFunctionsTest, ThePhotoDataBlockCarriesTheRecordBothWays) {
  CFoto photo;
  photo.name = "img12.jpg";
  photo.operatorName = "Niccolò";
  photo.date = bx::OleDateTime(2011, 3, 7, 9, 5, 0);
  photo.film = 2;
  photo.counter = 12;
  photo.events.AddFromText("wedding|table 4");
  photo.params.text = "Anna's party";
  photo.params.page = "a.png;1;2;3;4";
  photo.params.autoLevels = true;
  photo.params.saturation = -20;
  photo.params.cropRight = 2147483647;
  photo.params.aspectRatio = 0.75f;
  auto data = std::make_unique<BxPhotoData>();
  bx::external::FillPhotoData(photo, *data);
  EXPECT_STREQ(data->resultText, "Anna's party");
  EXPECT_EQ(data->eventCount, 2);
  CFoto back;
  bx::external::ReadPhotoData(*data, back);
  EXPECT_EQ(back.name, photo.name);
  EXPECT_EQ(back.operatorName, photo.operatorName);
  EXPECT_EQ(back.date, photo.date);
  EXPECT_EQ(back.counter, 12);
  EXPECT_EQ(back.events.ToText(), "|wedding|table 4|");
  EXPECT_EQ(back.params.page, photo.params.page);
  EXPECT_EQ(back.StoredSaturation(), 980);
  EXPECT_EQ(back.params.cropRight, 2147483647);
  EXPECT_FLOAT_EQ(back.params.aspectRatio, 0.75f);

  photo.operatorName = std::string(254, 'a') + "ò";  // the last character does not fit whole
  bx::external::FillPhotoData(photo, *data);
  EXPECT_EQ(std::strlen(data->operatorName), 254u);
  std::memset(data->fileName, 'x', sizeof data->fileName);  // no terminating zero
  std::strcpy(data->events[1], "a|b");
  data->eventCount = 1000;
  data->dateValid = 0;
  bx::external::ReadPhotoData(*data, back);
  EXPECT_EQ(back.name, std::string(BX_PHOTO_NAME_SIZE, 'x'));
  EXPECT_EQ(back.events.ToText(), "|wedding|");
  EXPECT_FALSE(back.date.IsValid());
}
