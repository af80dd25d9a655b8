// The flash line and its per-preset state in the properties file.
#include "trigger/CFlash.h"

#include "platform/SimulatedSerialPort.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using Line = bx::SimulatedSerialPort::Line;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::vector<bool> RtsChanges(const bx::SimulatedSerialPort& port) {
  std::vector<bool> rts;
  for (const auto& change : port.Changes())
    if (change.line == Line::Rts) rts.push_back(change.on);
  return rts;
}

TEST(FlashTest, RtsFollowsTheStateOnceBound) {
  CFlash flash;
  flash.Set(true);  // not bound yet
  EXPECT_EQ(flash.Get(), 0);

  bx::SimulatedSerialPort port;
  ASSERT_TRUE(port.Open("COM1"));
  flash.Bind(&port);
  flash.Set(true);
  EXPECT_EQ(flash.Get(), 1);
  flash.Set(false);
  EXPECT_EQ(RtsChanges(port), (std::vector<bool>{false, true, false}));
}

TEST(FlashTest, AClosedPortStillKeepsTheState) {
  bx::SimulatedSerialPort port;  // never opened
  CFlash flash;
  flash.Bind(&port);
  flash.Set(true);
  EXPECT_EQ(flash.Get(), 1);
  EXPECT_TRUE(port.Changes().empty());
}

TEST(FlashTest, LoadReadsThePresetAndKeepsTheStateWhenSomethingIsMissing) {
  TempFolder folder;
  const std::string file = folder.Path() + "/Properties.xml";
  CFlash flash;
  flash.Bind(nullptr);
  flash.Set(true);
  EXPECT_FALSE(flash.Load(file, "Set0"));  // no file
  WriteFile(file,
            "<Set0><PylonCamera/></Set0>"
            "<Set1><Flash>  <Enabled value=\"0\"/> </Flash></Set1>"
            "<Set2><Flash><Enabled/></Flash></Set2>"
            "<Set3><Flash/></Set3>");
  EXPECT_FALSE(flash.Load(file, "Set0"));
  EXPECT_FALSE(flash.Load(file, "Set3"));
  EXPECT_FALSE(flash.Load(file, "Set9"));
  EXPECT_EQ(flash.Get(), 1);
  EXPECT_TRUE(flash.Load(file, "Set1"));
  EXPECT_EQ(flash.Get(), 0);
  flash.Set(true);
  EXPECT_TRUE(flash.Load(file, "Set2"));
  EXPECT_EQ(flash.Get(), 0);

  WriteFile(file, "<Properties><Set4><Flash><Enabled value=\"1\"/></Flash></Set4></Properties>");
  EXPECT_TRUE(flash.Load(file, "Set4"));  // the sets wrapped in one root element
  EXPECT_EQ(flash.Get(), 1);
}

TEST(FlashTest, SaveKeepsTheOtherSectionsAndNeverReplacesAFileThatDoesNotParse) {
  TempFolder folder;
  const std::string file = folder.Path() + "/Properties.xml";
  CFlash flash;
  flash.Bind(nullptr);
  flash.Set(true);
  ASSERT_TRUE(flash.Save(file, "Set1"));  // a new file
  WriteFile(file, ReadFile(file) + "<Set0><PylonCamera><CameraProperties/></PylonCamera></Set0>");
  flash.Set(false);
  ASSERT_TRUE(flash.Save(file, "Set0"));

  CFlash reader;
  ASSERT_TRUE(reader.Load(file, "Set1"));
  EXPECT_EQ(reader.Get(), 1);
  ASSERT_TRUE(reader.Load(file, "Set0"));
  EXPECT_EQ(reader.Get(), 0);
  EXPECT_NE(ReadFile(file).find("<CameraProperties />"), std::string::npos);

  const std::string corrupt = "<Set0><PylonCamera><CameraProperties>";
  WriteFile(file, corrupt);
  EXPECT_FALSE(flash.Save(file, "Set0"));
  EXPECT_EQ(ReadFile(file), corrupt);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) ++entries;
  EXPECT_EQ(entries, 1u);  // no temporary file left behind
}

}  // namespace
