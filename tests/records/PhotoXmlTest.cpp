// The per-photo XML file.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <filesystem>

#include "../platform/TempFolder.h"
#include "CommaLocale.h"
#include "records/CFotoSet.h"
#include "records/PhotoXml.h"

namespace {

using bx::records::PhotoXmlText;
using bx::records::ReadPhotoXml;

std::vector<std::string> ElementNames(const std::string& text) {
  TiXmlDocument document;
  document.Parse(text.c_str());
  std::vector<std::string> names;
  for (const TiXmlElement* e = document.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement())
    names.push_back(e->Value());
  return names;
}

TEST(PhotoXmlTest, ElementsInColumnOrderWithLocaleFreeNumbers) {
  CommaLocale comma;  // a decimal comma must not reach the file
  CFotoSet row{DatabaseSettings{}};
  row.m_OPERATORE = "Anna";
  row.m_DATA = bx::OleDateTime(2011, 3, 7, 9, 5, 0);
  row.m_ASPECT_RATIO = 1.37f;
  row.m_SATURATION = 1020;
  row.m_EVENTO = "|wedding|table 4|";
  const std::string text = PhotoXmlText(row);
  const auto names = ElementNames(text);
  ASSERT_EQ(names.size(), 39u);
  EXPECT_EQ(names.front(), "OPERATORE");
  EXPECT_EQ(names[1], "DATA");
  EXPECT_EQ(names[9], "ASPECT_RATIO");
  EXPECT_EQ(names[23], "SATURATION");
  EXPECT_EQ(names.back(), "PAGE");
  EXPECT_NE(text.find("<DATA Value=\"40609.378472\""), std::string::npos) << text;
  EXPECT_NE(text.find("<ASPECT_RATIO Value=\"1.370000\""), std::string::npos);
  EXPECT_NE(text.find("<SATURATION Value=\"1020\""), std::string::npos);
  EXPECT_EQ(text.find("<ID"), std::string::npos);
}

TEST(PhotoXmlTest, OneLineFormRoundTripsAwkwardText) {
  CFotoSet row{DatabaseSettings{}};
  row.m_TEXT = "D'Angelo & \"Co\" <1>\nsecond line\tNiccolò";
  row.m_RULLINO = 12;
  row.m_ASPECT_RATIO = 0.729927f;
  const std::string line = PhotoXmlText(row, true);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(line.find('\t'), std::string::npos);
  CFotoSet back{DatabaseSettings{}};
  ASSERT_TRUE(ReadPhotoXml(line, back));
  EXPECT_EQ(back.m_TEXT, row.m_TEXT);
  EXPECT_EQ(back.m_RULLINO, 12);
  EXPECT_FLOAT_EQ(back.m_ASPECT_RATIO, 0.729927f);

  back.m_ZOOM = 7;
  EXPECT_TRUE(ReadPhotoXml("<Foto><RULLINO Value=\"3\"/></Foto>", back));
  EXPECT_EQ(back.m_ZOOM, 7);  // a missing element keeps its value
  EXPECT_FALSE(ReadPhotoXml("<Foto><RULLINO Value=\"3x\"/></Foto>", back));
  EXPECT_FALSE(ReadPhotoXml("<Layout/>", back));
  EXPECT_FALSE(ReadPhotoXml("<Foto><unclosed></Foto>", back));
}

TEST(PhotoXmlTest, PathsLieInTheFilmsDataFolderAndRefuseEscapingNames) {
  EXPECT_EQ(bx::records::PhotoXmlPath("/srv/", "Anna", 12, "img3.jpg"),
            "/srv/images/Anna/12/data/img3.jpg.xml");
  EXPECT_EQ(bx::records::PhotoXmlPath("", "Anna", 12, "img3.jpg"), "./images/Anna/12/data/img3.jpg.xml");
  for (const char* bad : {"..", "a/b", "a\\b", "x..y", ""}) {
    EXPECT_FALSE(bx::records::PhotoXmlPath("/srv/", bad, 1, "img1.jpg")) << bad;
    EXPECT_FALSE(bx::records::PhotoXmlPath("/srv/", "Anna", 1, bad)) << bad;
  }
}

}  // namespace
