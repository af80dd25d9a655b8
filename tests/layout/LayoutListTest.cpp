// The layout table and the categorised list, on SQLite and on PostgreSQL.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "../platform/TempFolder.h"
#include "../records/TestDatabase.h"
#include "layout/CLayoutList.h"
#include "layout/CLayoutSet.h"
#include "platform/MessageSink.h"

namespace {

using bx::odbc::SqlDialect;

class LayoutListTest : public ::testing::TestWithParam<SqlDialect> {
 protected:
  void SetUp() override { bx::InstallMessageSink(&messages_); }
  void TearDown() override { bx::InstallMessageSink(nullptr); }

  CLayoutList::Place Place() const { return {database_.Settings(), folder_.Path() + "/", 1.37f}; }
  long Store(const std::string& category, float aspectRatio, const std::string& name = "") {
    CLayoutObject layout;
    layout.layoutName = name;
    layout.category = category;
    layout.params.aspectRatio = aspectRatio;
    return layout.SaveToDb(database_.Settings(), folder_.Path() + "/");
  }
  static std::vector<std::string> Categories(const CLayoutList& list) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.CategoryCount(); ++i) names.push_back(list.CategoryName(i));
    return names;
  }

  TestDatabase database_{GetParam()};
  TempFolder folder_;
  bx::RecordingMessageSink messages_;
};

TEST_P(LayoutListTest, EmptyTableGivesTheTwoBuiltIns) {
  CLayoutList list(Place());
  ASSERT_TRUE(list.Load("", false));
  EXPECT_EQ(Categories(list), (std::vector<std::string>{"Horizontal", "Vertical"}));
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.At(0).id, CLayoutList::kHorizontalId);
  list.SetCurrentCategory(1);
  const CLayoutObject vertical = list.At(0);
  EXPECT_EQ(vertical.id, CLayoutList::kVerticalId);
  EXPECT_EQ(vertical.params.rotation, 157);
  EXPECT_EQ(vertical.params.zoom, -16);
  EXPECT_NEAR(vertical.params.aspectRatio, 1 / 1.37, 1e-6);
  EXPECT_EQ(list.At(5).id, -1);
  EXPECT_EQ(list.FindById(42).id, -1);  // a stale "Last Layout ID"
}

TEST_P(LayoutListTest, CategoriesSortAndUncategorisedGoByAspectRatio) {
  const long b1 = Store("B", 1.5f), b2 = Store("B", 1.5f), a = Store("A", 1.5f, "Alpha");
  const long portrait = Store("", 0.75f), landscape = Store("", 1.0f);
  ASSERT_GT(b1, 0);
  EXPECT_NE(b1, b2);
  CLayoutList list(Place());
  ASSERT_TRUE(list.Load("", false));
  EXPECT_EQ(Categories(list), (std::vector<std::string>{"Horizontal", "Vertical", "A", "B"}));
  list.SetCurrentCategory(0);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.At(1).id, landscape);
  list.SetCurrentCategory(1);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.At(1).id, portrait);
  EXPECT_EQ(list.At(1).layoutName, std::to_string(portrait));  // an empty NAME shows the id
  list.SetCurrentCategory(2);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.At(0).id, a);
  list.SetCurrentCategory(3);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.At(0).id, b1);
  EXPECT_EQ(list.FindById(b2).id, b2);
  EXPECT_EQ(list.CurrentCategory(), 3u);
  // Every layout read was written to its file.
  EXPECT_TRUE(std::filesystem::exists(CLayoutObject::FilePath(folder_.Path() + "/", a)));
}

TEST_P(LayoutListTest, SaturationDecodesAndDeletedLayoutsAreGone) {
  const long id = Store("C", 1.5f);
  database_.Execute("UPDATE \"Layout\" SET \"SATURATION\" = 950 WHERE \"ID\" = " + std::to_string(id));
  const long plain = Store("C", 1.5f);
  database_.Execute("UPDATE \"Layout\" SET \"SATURATION\" = 899 WHERE \"ID\" = " + std::to_string(plain));
  CLayoutList list(Place());
  ASSERT_TRUE(list.Load("", false));
  const CLayoutObject levels = list.FindById(id);
  EXPECT_TRUE(levels.params.autoLevels);
  EXPECT_EQ(levels.params.saturation, -50);
  EXPECT_FALSE(list.FindById(plain).params.autoLevels);
  EXPECT_EQ(list.FindById(plain).params.saturation, 899);

  list.SetCurrentCategory(2);
  ASSERT_TRUE(list.DeleteAt(0));
  EXPECT_FALSE(std::filesystem::exists(CLayoutObject::FilePath(folder_.Path() + "/", id)));
  ASSERT_TRUE(list.Load("", false));
  EXPECT_EQ(list.FindById(id).id, -1);
  EXPECT_EQ(database_.Scalar("SELECT COUNT(*) FROM \"Layout\""), "1");
}

TEST_P(LayoutListTest, ConcurrentInsertsEachGetTheirOwnId) {
  std::vector<long> ids(6);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < ids.size(); ++i)
    threads.emplace_back([&, i] { ids[i] = Store("P", 1.5f, "n" + std::to_string(i)); });
  for (auto& thread : threads) thread.join();
  for (std::size_t i = 0; i < ids.size(); ++i)
    EXPECT_EQ(database_.Scalar("SELECT \"NAME\" FROM \"Layout\" WHERE \"ID\" = " + std::to_string(ids[i])),
              "n" + std::to_string(i));
}

TEST_P(LayoutListTest, FilesImportAndUnusableLayoutsAreMarked) {
  CLayoutObject file;
  file.id = 500;
  file.layoutName = "From file";
  file.params.bgImageName = folder_.Path() + "/missing.png";
  ASSERT_TRUE(file.SaveFile(folder_.Path() + "/"));
  CLayoutList list(Place());
  EXPECT_EQ(list.ImportFiles(), 1);
  ASSERT_TRUE(list.Load("", false));
  list.SetCurrentCategory(0);
  ASSERT_EQ(list.Count(), 2u);
  const CLayoutObject imported = list.At(1);
  EXPECT_EQ(imported.layoutName, "From file");
  EXPECT_NE(imported.unusable.find("missing image"), std::string::npos);
  // The file now lives under the id the database gave, the old one is gone.
  EXPECT_FALSE(std::filesystem::exists(CLayoutObject::FilePath(folder_.Path() + "/", 500)));
  EXPECT_TRUE(std::filesystem::exists(CLayoutObject::FilePath(folder_.Path() + "/", imported.id)));
}

INSTANTIATE_TEST_SUITE_P(Databases, LayoutListTest,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const auto& info) { return DialectName(info.param); });

}  // namespace
