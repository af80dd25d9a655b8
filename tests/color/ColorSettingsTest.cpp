#include "color/ColorTransformer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <string>

TEST(ColorSettings, XmlRoundTripBelowAParentAndAtTheTop) {
  CColorTransformer written;
  CColorSettings& s = written.m_settings;
  s.m_red = -40, s.m_green = 12, s.m_blue = 100, s.m_brightness = -7, s.m_contrast = 55,
  s.m_saturation = -100;
  s.m_colorStretch = 1, s.m_rgbColorStretch = 0, s.m_unsharpMask = 1, s.m_skinExposure = 1, s.m_denoiser = 1;
  s.m_convertToSRGB = 1, s.m_targetSkinExposure = 201;
  s.m_unsharpSigma = 2.5f, s.m_unsharpAmount = 0.35f, s.m_amplitude = 33.0f, s.m_sharpness = 0.25f;
  s.m_anisotropy = 0.9f, s.m_alpha = 1.5f, s.m_sigma = 2.25f, s.m_stretchUpperLimit = 0.02f;
  s.m_stretchLowerLimit = 0.03f;

  TiXmlDocument document;
  TiXmlElement* set = document.LinkEndChild(new TiXmlElement("Set1"))->ToElement();
  ASSERT_TRUE(written.Save(&document, set));
  ASSERT_TRUE(written.Save(&document));
  TiXmlPrinter printer;
  document.Accept(&printer);
  const std::string text = printer.CStr();
  EXPECT_NE(text.find("<Saturation value=\"-100\""), std::string::npos) << text;

  TiXmlDocument reread;
  reread.Parse(text.c_str());
  for (TiXmlElement* parent : {reread.FirstChildElement("Set1"), static_cast<TiXmlElement*>(nullptr)}) {
    CColorTransformer loaded;
    ASSERT_TRUE(loaded.Load(&reread, parent));
    const CColorSettings& l = loaded.m_settings;
    EXPECT_EQ(l.m_red, -40);
    EXPECT_EQ(l.m_saturation, -100);
    EXPECT_EQ(l.m_rgbColorStretch, 0);
    EXPECT_EQ(l.m_denoiser, 1);
    EXPECT_EQ(l.m_targetSkinExposure, 201);
    EXPECT_FLOAT_EQ(l.m_unsharpAmount, 0.35f);
    EXPECT_FLOAT_EQ(l.m_sigma, 2.25f);
    EXPECT_FLOAT_EQ(l.m_stretchLowerLimit, 0.03f);
  }
}

TEST(ColorSettings, MissingAndBadValues) {
  CColorTransformer transformer;
  transformer.m_settings.m_red = 5;
  TiXmlDocument document;
  EXPECT_FALSE(transformer.Load(nullptr));
  EXPECT_FALSE(transformer.Load(&document));
  EXPECT_EQ(transformer.m_settings.m_red, 5);  // kept

  document.Parse(
      "<ColorTransformer><Red value=\"900\"/><Contrast value=\"x\"/>"
      "<UnsharpSigma value=\"nan\"/><Amplitude value=\"-4\"/></ColorTransformer>");
  CColorTransformer loaded;
  ASSERT_TRUE(loaded.Load(&document));
  EXPECT_EQ(loaded.m_settings.m_red, 100);
  EXPECT_EQ(loaded.m_settings.m_contrast, 0);
  EXPECT_FLOAT_EQ(loaded.m_settings.m_unsharpSigma, 6.0f);
  EXPECT_FLOAT_EQ(loaded.m_settings.m_amplitude, 0.0f);
  EXPECT_EQ(loaded.m_settings.m_targetSkinExposure, 150);  // absent: default
}

TEST(ColorSettings, PropertyGridListsAndEditsEverySetting) {
  CColorTransformer transformer;
  CPropertyList list;
  transformer.GetProperties(list);
  ASSERT_EQ(list.Items().size(), 29u);  // the section, six groups, 22 settings
  EXPECT_EQ(list.Items()[0].kind, PropertyKind::Section);
  EXPECT_EQ(list.Items()[0].label, "Color");
  std::set<std::string> names;
  for (const CProperty& item : list.Items()) names.insert(item.label);
  EXPECT_EQ(names.size(), 29u);

  // Readable captions with units; the comment names the setting as the file does.
  const CProperty* red = list.Find(&transformer.m_settings.m_red);
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(red->min, -100);
  EXPECT_EQ(red->label, "Red (%)");
  EXPECT_EQ(red->comment, "\"Red\" in the presets file; from -100 to 100");
  const CProperty* sigma = list.Find(&transformer.m_settings.m_sigma);
  EXPECT_EQ(sigma->depth, 2);
  const auto denoiser = std::find_if(list.Items().begin(), list.Items().end(),
                                     [](const CProperty& item) { return item.label == "Denoiser"; });
  ASSERT_NE(denoiser, list.Items().end());
  EXPECT_EQ(denoiser->kind, PropertyKind::Section);
  EXPECT_EQ(std::distance(&*denoiser, sigma), 6);  // its switch and its five settings follow it
  EXPECT_EQ(list.Find(&transformer.m_settings.m_denoiser)->kind, PropertyKind::Bool);
  EXPECT_EQ(list.Find(&transformer.m_settings.m_sigma)->kind, PropertyKind::Float);

  EXPECT_TRUE(transformer.OnPropertyChanged(&transformer.m_settings.m_red, 250));
  EXPECT_EQ(transformer.m_settings.m_red, 100);
  EXPECT_TRUE(transformer.OnPropertyChanged(&transformer.m_settings.m_unsharpAmount, 2.5));
  EXPECT_FLOAT_EQ(transformer.m_settings.m_unsharpAmount, 2.5f);
  EXPECT_TRUE(transformer.OnPropertyChanged(&transformer.m_settings.m_unsharpMask, true));
  EXPECT_EQ(transformer.m_settings.m_unsharpMask, 1);
  EXPECT_TRUE(transformer.IsPropertyEnabled(&transformer.m_settings.m_blue));
}
