// Layout files: element order, "<AP>" for the installation folder, bad files.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <filesystem>
#include <fstream>

#include "../platform/TempFolder.h"
#include "layout/ApplicationPath.h"
#include "layout/CLayoutObject.h"

namespace {

using namespace bx::layout;

TEST(ApplicationPathTest, OnlyALeadingFolderBecomesThePlaceholder) {
  EXPECT_EQ(ToPlaceholder("/opt/bx/Layout/bg.png", "/opt/bx/"), "<AP>Layout/bg.png");
  EXPECT_EQ(ToPlaceholder("/srv/opt/bx/bg.png", "/opt/bx/"), "/srv/opt/bx/bg.png");
  EXPECT_EQ(ToPlaceholder("bg.png", ""), "bg.png");
  EXPECT_EQ(FromPlaceholder("<AP>Layout/bg.png", "/new/"), "/new/Layout/bg.png");
  EXPECT_EQ(FromPlaceholder("x<AP>", "/new/"), "x<AP>");
  EXPECT_EQ(PageToPlaceholder("/opt/bx/a.png;1;2;3;4|/tmp/b.png;5;6;7;8", "/opt/bx/"),
            "<AP>a.png;1;2;3;4|/tmp/b.png;5;6;7;8");
  EXPECT_EQ(PageFromPlaceholder("<AP>a.png;1;2;3;4|<AP>c.png", "/n/"), "/n/a.png;1;2;3;4|/n/c.png");
  EXPECT_EQ(ApplicationFolder("/opt/bx"), "/opt/bx/");
  EXPECT_EQ(ApplicationFolder(""), std::filesystem::current_path().string() + "/");
}

TEST(LayoutFileTest, SurvivesAMovedInstallationInTheFilesOrder) {
  TempFolder old, moved;
  const std::string oldFolder = old.Path() + "/", newFolder = moved.Path() + "/";
  CLayoutObject layout;
  layout.id = 7;
  layout.layoutName = "Wedding & \"gold\"";
  layout.params.bgImageName = oldFolder + "frames/gold.png";
  layout.params.page = oldFolder + "icons/heart.png;10;20;0;0";
  layout.params.autoLevels = true;
  layout.params.saturation = -50;
  layout.params.aspectRatio = 0.75f;
  layout.category = "Weddings";
  ASSERT_TRUE(layout.SaveFile(oldFolder));

  const std::string file = CLayoutObject::FilePath(oldFolder, 7);
  TiXmlDocument document;
  ASSERT_TRUE(document.LoadFile(file.c_str()));
  std::vector<std::string> names;
  for (const TiXmlElement* e = document.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement())
    names.push_back(e->Value());
  ASSERT_EQ(names.size(), 37u);
  EXPECT_EQ(names.front(), "ID");
  EXPECT_EQ(names[1], "NOME");
  EXPECT_EQ(names[19], "SATURATION");
  EXPECT_EQ(names[20], "AUTOLEVELS");
  EXPECT_EQ(names.back(), "CATEGORIA");
  EXPECT_STREQ(document.RootElement()->FirstChildElement("BG_IMAGE_NAME")->Attribute("Value"),
               "<AP>frames/gold.png");
  EXPECT_STREQ(document.RootElement()->FirstChildElement("SATURATION")->Attribute("Value"), "-50");

  std::filesystem::copy(old.Path() + "/Layout", moved.Path() + "/Layout");
  CLayoutObject read;
  ASSERT_TRUE(read.LoadFile(CLayoutObject::FilePath(newFolder, 7), newFolder));
  EXPECT_EQ(read.id, 7);
  EXPECT_EQ(read.layoutName, layout.layoutName);
  EXPECT_EQ(read.params.bgImageName, newFolder + "frames/gold.png");
  EXPECT_EQ(read.params.page, newFolder + "icons/heart.png;10;20;0;0");
  EXPECT_TRUE(read.params.autoLevels);
  EXPECT_EQ(read.params.saturation, -50);
  EXPECT_FLOAT_EQ(read.params.aspectRatio, 0.75f);
  EXPECT_EQ(read.category, "Weddings");
}

TEST(LayoutFileTest, BadFilesAndUnstoredLayoutsAreRefused) {
  TempFolder folder;
  const std::string path = folder.Path() + "/bad.xml";
  std::ofstream(path) << "<Layout><ZOOM Value=\"x\"/></Layout>";
  CLayoutObject layout;
  EXPECT_FALSE(layout.LoadFile(path, folder.Path() + "/"));
  std::ofstream(path) << "<Layout><ZOOM";
  EXPECT_FALSE(layout.LoadFile(path, folder.Path() + "/"));
  EXPECT_FALSE(layout.LoadFile(folder.Path() + "/none.xml", folder.Path() + "/"));
  EXPECT_FALSE(layout.SaveFile(folder.Path() + "/"));  // id -1: never "-1.xml"
  EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/Layout/-1.xml"));
}

}  // namespace
