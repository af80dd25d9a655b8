// The photo table and its XML copies, on SQLite and on PostgreSQL.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../platform/TempFolder.h"
#include "TestDatabase.h"
#include "platform/MessageSink.h"
#include "records/CFotoSet.h"
#include "records/PhotoXml.h"

namespace {

using bx::odbc::SqlDialect;

const bx::OleDateTime kShotTime(2011, 3, 7, 17, 45, 0);

class PhotoTableTest : public ::testing::TestWithParam<SqlDialect> {
 protected:
  void SetUp() override { bx::InstallMessageSink(&messages_); }
  void TearDown() override { bx::InstallMessageSink(nullptr); }

  DatabaseSettings Settings(bool useXml = true) const {
    DatabaseSettings settings = database_.Settings();
    settings.useXml = useXml;
    return settings;
  }
  std::unique_ptr<CFotoSet> Photos(bool useXml = true) const {
    auto photos = std::make_unique<CFotoSet>(Settings(useXml));
    photos->m_imageRoot = images_.Path();
    return photos;
  }
  static CFoto Shot(const std::string& op, int counter) {
    CFoto photo;
    photo.operatorName = op;
    photo.film = 12;
    photo.counter = counter;
    photo.date = kShotTime;
    photo.name = "img" + std::to_string(counter) + ".jpg";
    return photo;
  }
  std::string Column(const std::string& column, long id) const {
    return database_.Scalar("SELECT \"" + column +
                            "\" FROM \"Fotografie\" WHERE \"ID\" = " + std::to_string(id));
  }
  std::string XmlPath(const std::string& op, const std::string& file) const {
    return images_.Path() + "/images/" + op + "/12/data/" + file + ".xml";
  }
  std::string Rows() const { return database_.Scalar("SELECT COUNT(*) FROM \"Fotografie\""); }

  TestDatabase database_{GetParam()};
  TempFolder images_;
  bx::RecordingMessageSink messages_;
};

TEST_P(PhotoTableTest, InsertStoresIdentityLayoutAndXmlCopy) {
  CFoto photo = Shot("Anna", 3);
  photo.events.AddFromText("wedding|table 4");
  photo.params.autoLevels = true;
  photo.params.saturation = 0;
  photo.params.iconImageName = "icon.png";
  ASSERT_TRUE(Photos()->InsertPhoto(photo, false));
  const long id = Photos()->FindId("Anna", "|wedding|table 4|", 12, 3, kShotTime, "img3.jpg");
  ASSERT_GT(id, 0);
  EXPECT_EQ(Column("SATURATION", id), "1000");
  EXPECT_EQ(Column("EVENTO", id), "|wedding|table 4|");
  EXPECT_EQ(Column("ICON_IMAGE_NAME", id), "");  // the single icon is not copied to a photo
  EXPECT_EQ(Column("DATA", id).substr(0, 19), "2011-03-07 17:45:00");
  EXPECT_TRUE(std::filesystem::exists(XmlPath("Anna", "img3.jpg")));

  CFoto bare = Shot("Anna", 4);
  ASSERT_TRUE(Photos(false)->InsertPhoto(bare, false));
  EXPECT_EQ(Rows(), "2");
  EXPECT_EQ(Photos()->LastCounter("Anna", 12, kShotTime), 4);
  EXPECT_EQ(Photos()->LastCounter("Anna", 13, kShotTime), 0);
  EXPECT_FALSE(std::filesystem::exists(XmlPath("Anna", "img4.jpg")));  // "Use XML" 0
  EXPECT_EQ(Column("EVENTO", Photos()->FindId("Anna", "", 12, 4, kShotTime, "img4.jpg")), "");
}

TEST_P(PhotoTableTest, NewPortraitRowWithoutLayoutIsTurned) {
  auto photos = Photos();
  photos->m_defaultZoom = 5;
  ASSERT_TRUE(photos->InsertNewPhoto("Anna", "", 12, 1, kShotTime, 6, "img1.jpg", nullptr, false));
  ASSERT_TRUE(photos->InsertNewPhoto("Anna", "", 12, 2, kShotTime, 1, "img2.jpg", nullptr, false));
  const long turned = Photos()->FindId("Anna", "", 12, 1, kShotTime, "img1.jpg");
  EXPECT_EQ(Column("ROTATION", turned), "157");
  EXPECT_EQ(Column("ZOOM", turned), "-15");
  EXPECT_NEAR(std::stod(Column("ASPECT_RATIO", turned)), 0.729927, 1e-5);
  const long upright = Photos()->FindId("Anna", "", 12, 2, kShotTime, "img2.jpg");
  EXPECT_EQ(Column("ZOOM", upright), "5");
  EXPECT_EQ(Column("CROPLEFT", upright), "-2147483647");
  EXPECT_EQ(Column("FONTNAME", upright), "Times New Roman");

  CProcessedImage layout;
  layout.params.bgImageName = "/layouts/frame.png";
  layout.params.rotation = 33;
  ASSERT_TRUE(photos->InsertNewPhoto("Anna", "x", 12, 3, kShotTime, 6, "img3.jpg", &layout, false));
  const long framed = Photos()->FindId("Anna", "|x|", 12, 3, kShotTime, "img3.jpg");
  EXPECT_EQ(Column("ROTATION", framed), "33");
  EXPECT_EQ(Column("BG_IMAGE_NAME", framed), "/layouts/frame.png");
}

TEST_P(PhotoTableTest, ValuesFromOperatorsAreBoundNotSpliced) {
  CFoto photo = Shot("D'Angelo", 1);
  photo.events.Add("X' OR 1=1 OR 'a'='");
  photo.params.text = "It's Niccolò's";
  ASSERT_TRUE(Photos()->InsertPhoto(photo, false));
  ASSERT_TRUE(Photos()->InsertPhoto(Shot("Marco", 1), false));
  photo.id = Photos()->FindId("D'Angelo", "|X' OR 1=1 OR 'a'='|", 12, 1, kShotTime, "img1.jpg");
  ASSERT_GT(photo.id, 0);

  photo.params.text = "Anna's caption";
  photo.position = 9;
  ASSERT_TRUE(Photos()->UpdatePhoto(photo, false));
  EXPECT_EQ(Column("TEXT", photo.id), "Anna's caption");
  EXPECT_EQ(Column("POSIZIONE", photo.id), "0");
  EXPECT_EQ(Column("NOME_FILE", photo.id), "img1.jpg");
  ASSERT_TRUE(Photos()->AddToPosition(photo, 2));
  EXPECT_EQ(Column("POSIZIONE", photo.id), "2");

  photo.events.Add(CFotoSet::kBinMarker);
  ASSERT_TRUE(Photos()->MarkFileDeleted(photo));
  EXPECT_EQ(Column("NOME_FILE", photo.id), "");
  EXPECT_EQ(Column("EVENTO", photo.id), "|X' OR 1=1 OR 'a'='|");
  EXPECT_EQ(Rows(), "2");
  EXPECT_TRUE(messages_.Messages().empty());
}

TEST_P(PhotoTableTest, DeletionsTouchOnlyTheirRows) {
  for (int counter = 1; counter <= 3; ++counter)
    ASSERT_TRUE(Photos()->InsertPhoto(Shot("Anna", counter), false));
  CFoto binned = Shot("Anna", 2);
  binned.id = Photos()->FindId("Anna", "", 12, 2, kShotTime, "img2.jpg");
  ASSERT_TRUE(Photos()->MarkFileDeleted(binned));
  ASSERT_TRUE(Photos()->DeleteUnnamedInRange(kShotTime, kShotTime));
  EXPECT_EQ(Rows(), "2");
  ASSERT_TRUE(Photos()->DeletePhoto(Photos()->FindId("Anna", "", 12, 1, kShotTime, "img1.jpg")));
  EXPECT_EQ(Rows(), "1");
  EXPECT_EQ(Photos()->FindId("Anna", "", 12, 1, kShotTime, "img1.jpg"), -1);
}

TEST_P(PhotoTableTest, RowsReadBackIntoPhotosAndImportFromXml) {
  CFoto photo = Shot("Anna", 3);
  photo.params.autoLevels = true;
  photo.params.saturation = -50;
  photo.params.aspectRatio = 0.75f;
  ASSERT_TRUE(Photos()->InsertPhoto(photo, false));
  auto photos = Photos();
  photos->m_strFilter = "[CONTATORE] = 3";
  photos->Open();
  ASSERT_FALSE(photos->IsEOF());
  CFoto read;
  photos->ReadPhoto(read);
  photos->Close();
  EXPECT_EQ(read.name, images_.Path() + "/images/Anna/12/img3.jpg");
  EXPECT_TRUE(read.params.autoLevels);
  EXPECT_EQ(read.params.saturation, -50);
  EXPECT_FLOAT_EQ(read.params.aspectRatio, 0.75f);

  // The XML of the row re-imports as another film only when forced, keeping auto-levels.
  const std::string xml = XmlPath("Anna", "img3.jpg");
  EXPECT_FALSE(Photos()->ImportXml(xml, "img3.jpg", false));
  EXPECT_TRUE(Photos()->ImportXml(xml, "copy.jpg", true));
  EXPECT_EQ(database_.Scalar("SELECT \"SATURATION\" FROM \"Fotografie\" WHERE \"NOME_FILE\" = 'copy.jpg'"),
            "950");
  EXPECT_FALSE(Photos()->ImportXml(xml, "../escape.jpg", true));
  EXPECT_FALSE(Photos()->ImportXml(images_.Path() + "/missing.xml", "x.jpg", true));
  EXPECT_EQ(Rows(), "2");
}

TEST_P(PhotoTableTest, EventsOfAnImageFileComeFromItsRow) {
  CFoto photo = Shot("D'Angelo", 7);
  photo.events.AddFromText("wedding|table 4");
  ASSERT_TRUE(Photos()->InsertPhoto(photo, false));
  std::string events;
  EXPECT_TRUE(Photos()->EventsOfFile(images_.Path() + "/images/D'Angelo/12/img7.jpg", events));
  EXPECT_EQ(events, "|wedding|table 4|");
  events = "untouched";
  EXPECT_FALSE(Photos()->EventsOfFile(images_.Path() + "/images/D'Angelo/13/img7.jpg", events));
  EXPECT_FALSE(Photos()->EventsOfFile(images_.Path() + "/images/D'Angelo/twelve/img7.jpg", events));
  EXPECT_FALSE(Photos()->EventsOfFile("img7.jpg", events));
  EXPECT_EQ(events, "untouched");
  EXPECT_TRUE(messages_.Messages().empty());
}

// A layout file imported as a shot: its layout columns with "<AP>" made the
// application folder and auto-levels kept, the identity as given, the rest default.
TEST_P(PhotoTableTest, ImportLayoutXmlTakesTheLayoutColumnsAndTheGivenIdentity) {
  const std::string layout = images_.Path() + "/7.xml";
  std::ofstream(layout) << "<Layout><ID Value=\"7\"/><NOME Value=\"Gold\"/>"
                           "<BG_IMAGE_NAME Value=\"&lt;AP&gt;frames/gold.png\"/><ZOOM Value=\"-4\"/>"
                           "<SATURATION Value=\"-50\"/><AUTOLEVELS Value=\"1\"/><EVENTO Value=\"|ignored|\"/>"
                           "<PAGE Value=\"&lt;AP&gt;a.png;1;2;3;4|/srv/b.png;5;6;7;8\"/></Layout>";
  auto photos = Photos();
  photos->m_applicationFolder = "/opt/station/";
  ASSERT_TRUE(photos->ImportLayoutXml(layout, "Anna", "|party|", 12, 9, kShotTime, "img9.jpg"));
  const long id = Photos()->FindId("Anna", "|party|", 12, 9, kShotTime, "img9.jpg");
  ASSERT_GT(id, 0);
  EXPECT_EQ(Column("BG_IMAGE_NAME", id), "/opt/station/frames/gold.png");
  EXPECT_EQ(Column("PAGE", id), "/opt/station/a.png;1;2;3;4|/srv/b.png;5;6;7;8");
  EXPECT_EQ(Column("ZOOM", id), "-4");
  EXPECT_EQ(Column("SATURATION", id), "950");
  EXPECT_EQ(Column("CROPRIGHT", id), "2147483647");  // not in the file: the row's default
  EXPECT_EQ(Column("FONTNAME", id), "Times New Roman");
  EXPECT_TRUE(std::filesystem::exists(XmlPath("Anna", "img9.jpg")));

  std::ofstream(images_.Path() + "/broken.xml") << "<Layout><ZOOM Value=\"x\"/></Layout>";
  EXPECT_FALSE(
      Photos()->ImportLayoutXml(images_.Path() + "/broken.xml", "Anna", "", 12, 10, kShotTime, "a.jpg"));
  EXPECT_FALSE(
      Photos()->ImportLayoutXml(images_.Path() + "/none.xml", "Anna", "", 12, 10, kShotTime, "a.jpg"));
  EXPECT_EQ(Rows(), "1");
}

TEST_P(PhotoTableTest, UnreachableDatabaseStillWritesTheXml) {
  auto photos = Photos();
  DatabaseSettings dead = Settings();
  dead.storedConnection = "ODBC;DSN=Data;Database=/nonexistent/none.sqlite;NoCreat=1";
  CFotoSet offline(dead);
  offline.m_imageRoot = images_.Path();
  EXPECT_FALSE(offline.InsertPhoto(Shot("Anna", 7), true));
  EXPECT_TRUE(messages_.Messages().empty());
  EXPECT_TRUE(std::filesystem::exists(XmlPath("Anna", "img7.jpg")));
  EXPECT_FALSE(offline.InsertPhoto(Shot("Anna", 8), false));
  EXPECT_EQ(messages_.Messages().size(), 1u);
}

TEST_P(PhotoTableTest, PurgeOldRemovesOnlyRowsWhoseFilesWent) {
  namespace fs = std::filesystem;
  const fs::path film = fs::path(images_.Path()) / "images" / "Anna" / "12";
  auto shoot = [&](const std::string& op, int counter, const std::string& file) {
    CFoto photo = Shot(op, counter);
    photo.name = file;
    ASSERT_TRUE(Photos()->InsertPhoto(photo, false));
  };
  fs::create_directories(film);
  std::ofstream(film / "img1.jpg") << "jpeg";
  shoot("Anna", 1, "img1.jpg");
  fs::create_directories(film / "img2.jpg" / "inside");  // an image that cannot be removed
  shoot("Anna", 2, "img2.jpg");
  std::ofstream(images_.Path() + "/outside.jpg") << "keep";
  shoot("Anna", 3, "../../../outside.jpg");
  shoot("..", 4, "img4.jpg");
  CFoto recent = Shot("Anna", 5);
  recent.date = bx::OleDateTime(2011, 3, 20, 8, 0, 0);
  ASSERT_TRUE(Photos()->InsertPhoto(recent, false));

  EXPECT_FALSE(Photos()->PurgeOld(0, bx::OleDateTime(2011, 3, 21, 0, 0, 0)));
  EXPECT_EQ(Rows(), "5");
  EXPECT_TRUE(Photos()->PurgeOld(7, bx::OleDateTime(2011, 3, 21, 0, 0, 0)));
  EXPECT_FALSE(fs::exists(film / "img1.jpg"));
  EXPECT_FALSE(fs::exists(film / "data" / "img1.jpg.xml"));
  EXPECT_TRUE(fs::exists(images_.Path() + "/outside.jpg"));
  EXPECT_EQ(Rows(), "4");
  EXPECT_EQ(database_.Scalar("SELECT COUNT(*) FROM \"Fotografie\" WHERE \"CONTATORE\" = 1"), "0");
}

INSTANTIATE_TEST_SUITE_P(Databases, PhotoTableTest,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const auto& info) { return DialectName(info.param); });

}  // namespace
