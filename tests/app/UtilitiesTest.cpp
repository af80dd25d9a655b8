#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileUtilities.h"
#include "app/GrabberApp.h"
#include "platform/ObjectFactory.h"
#include "app/UncPath.h"
#include "platform/MessageSink.h"
#include "platform/ProfileStore.h"
#include "platform/RecordingMachinePower.h"
#include "tests/app/AppTestSupport.h"

namespace {

class Translation : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.WriteString("Program Settings", "Exe Folder Location", folders_.Root() + "/");
    WriteFile(folders_.Root() + "/BXGrabber.txt",
              "[ENG]\nControl_Scatta=Shoot\nControl_Two=First\\nSecond\nKeyOnly=Key text\n"
              "[ITA]\nControl_Scatta=Never used\nKeyOnly=Testo\n");
  }
  void SetLanguage(const std::string& language) {
    store_.WriteString("Program Settings", "Language", language);
  }

  FreshFolders folders_;
  bx::ProfileStore store_{"BXGrabber"};
  bx::RecordingMachinePower power_;
  bx::RecordingProgramRestart restart_;
  CGrabberApp app_{power_, restart_};
};

TEST_F(Translation, ItalianOrNoLanguageNeverLooksUp) {
  for (const char* language : {"ITA", ""}) {
    SetLanguage(language);
    EXPECT_EQ(Translate("Control", "Scatta"), "Scatta") << language;
  }
}

TEST_F(Translation, OtherLanguagesLookUpContextAndText) {
  SetLanguage("ENG");
  EXPECT_EQ(GetExeFolder(), folders_.Root() + "/");
  EXPECT_EQ(Translate("Control", "Scatta"), "Shoot");
  EXPECT_EQ(Translate("Control", "Two"), "First\nSecond");
  EXPECT_EQ(Translate("Control", "Missing"), "Missing");
  EXPECT_EQ(TranslateKey("KeyOnly"), "Key text");
  SetLanguage("DEU");
  EXPECT_EQ(Translate("Control", "Scatta"), "Scatta");
  SetLanguage("");
  EXPECT_EQ(TranslateKey("KeyOnly"), "Testo");  // no language: the ITA section
}

struct CSpotMeter : bx::DynamicObject {};

TEST(CreateObjectByName, ReportsUnknownAndFailingClassesWithTheirMessages) {
  bx::RecordingMessageSink sink;
  bx::InstallMessageSink(&sink);
  BX_REGISTER_CLASS(CSpotMeter);
  bx::ClassFactoryRegistry::Instance().Register("CFailing",
                                                [] { return std::unique_ptr<bx::DynamicObject>(); });
  std::unique_ptr<bx::DynamicObject> object;
  EXPECT_TRUE(CreateObjectByName("CSpotMeter", object));
  EXPECT_NE(dynamic_cast<CSpotMeter*>(object.get()), nullptr);
  EXPECT_FALSE(CreateObjectByName("CNoSuchClass", object));
  EXPECT_EQ(object, nullptr);
  EXPECT_FALSE(CreateObjectByName("CFailing", object));
  bx::InstallMessageSink(nullptr);
  const std::vector<std::string> expected{
      "Configuration error: Cannot find runtime class 'CNoSuchClass'. Please add the file with this "
      "class to the project or add DECLARE_SERIAL/IMPLEMENT_SERIAL to the class",
      "Internal error: Cannot instantiate object for runtime class 'CFailing'"};
  EXPECT_EQ(sink.Messages(), expected);
}

TEST(LocalPathFromUnc, SharesOfThisHostBecomeLocalFolders) {
  TempFolder folder;
  const std::string shares = folder.Path() + "/smb.conf";
  WriteFile(shares,
            "[global]\n  workgroup = X\n[Photos]\n  comment = p\n  path = /srv/photos/\n"
            "[root]\npath=/\n[nopath]\nread only = no\n");
  EXPECT_EQ(LocalPathFromUnc("//Station1/photos/images/Op/3/img7.jpg", "station1", shares),
            "/srv/photos/images/Op/3/img7.jpg");
  EXPECT_EQ(LocalPathFromUnc("\\\\STATION1\\Photos\\data\\1.xml", "station1", shares),
            "/srv/photos/data/1.xml");
  EXPECT_EQ(LocalPathFromUnc("//station1/root/tmp/a", "station1", shares), "/tmp/a");
  for (const char* unchanged : {"//other/photos/a.jpg", "//station1/nopath/a", "//station1/none/a",
                                "/srv/photos/a.jpg", "relative/a.jpg", "//station1", ""})
    EXPECT_EQ(LocalPathFromUnc(unchanged, "station1", shares), unchanged);
}

TEST(CreateFullPath, CreatesEveryLevelAndIgnoresErrors) {
  TempFolder folder;
  CreateFullPath(folder.Path() + "/a/b/c/");
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() + "/a/b/c"));
  CreateFullPath(folder.Path() + "/x//y");
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() + "/x/y"));
  WriteFile(folder.Path() + "/file", "");
  CreateFullPath(folder.Path() + "/file/sub");  // cannot: silently nothing
  EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/file/sub"));
}

}  // namespace
