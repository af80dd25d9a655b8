// Composition of layouts into pictures: canvas, layers, colour, icons, caption.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

#include "../platform/TempFolder.h"
#include "layout/CLayoutObject.h"
#include "layout/CProcessedImage.h"
#include "pixlib/codecs/FileType.h"

namespace {

struct Bgra {
  int b, g, r, a;
};

void Fill(CxImage& image, Bgra colour) {
  const int n = image.SamplesPerPixel();
  for (int y = 0; y < image.Height(); ++y) {
    unsigned char* p = image.GetRowPtr(y);
    for (int x = 0; x < image.Width(); ++x, p += n) {
      p[0] = colour.b, p[1] = colour.g, p[2] = colour.r;
      if (n == 4) p[3] = colour.a;
    }
  }
}

// Sample c of the pixel (x, y), y counted from the top of the picture.
int At(const CxImage& image, int x, int y, int c) {
  const IplImage* ipl = image;
  const int row = ipl->origin == IPL_ORIGIN_BL ? image.Height() - 1 - y : y;
  return image.GetRowPtr(row)[x * image.SamplesPerPixel() + c];
}

bool Is(const CxImage& image, int x, int y, Bgra colour, int tolerance = 1) {
  return std::abs(At(image, x, y, 0) - colour.b) <= tolerance &&
         std::abs(At(image, x, y, 1) - colour.g) <= tolerance &&
         std::abs(At(image, x, y, 2) - colour.r) <= tolerance;
}

// Rows of column x (from the top) whose colour is within tolerance of colour.
int CountInColumn(const CxImage& image, int x, Bgra colour) {
  int count = 0;
  for (int y = 0; y < image.Height(); ++y) count += Is(image, x, y, colour, 2);
  return count;
}

using Picture = std::unique_ptr<CxImage>;
int At(const Picture& image, int x, int y, int c) { return At(*image, x, y, c); }
bool Is(const Picture& image, int x, int y, Bgra colour, int tolerance = 1) {
  return Is(*image, x, y, colour, tolerance);
}
int CountInColumn(const Picture& image, int x, Bgra colour) { return CountInColumn(*image, x, colour); }

const Bgra kWhite{255, 255, 255, 255};
const Bgra kGrey{192, 192, 192, 255};

class CompositionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
  }

  // A flat TIFF (lossless; with alpha when a is below 255).
  std::string FlatFile(const std::string& name, int width, int height, Bgra colour) {
    CxImage image;
    EXPECT_TRUE(image.Create(width, height, colour.a < 255 ? 1 : 0, 1, 0));
    Fill(image, colour);
    const std::string path = folder_.Path() + "/" + name + ".tif";
    EXPECT_TRUE(image.Save(path.c_str(), IMG_TYPE_TIFF, 1, 0, nullptr, 0));
    return path;
  }

  std::unique_ptr<CxImage> Render(const CProcessedImage& picture, int size = 128) {
    auto canvas = std::make_unique<CxImage>();
    EXPECT_TRUE(picture.Render(size, *canvas, 0, options_));
    return canvas;
  }

  TempFolder folder_;
  CompositionOptions options_;
};

TEST_F(CompositionTest, CanvasFollowsTheAspectRatioAndRefusesBadOnes) {
  CProcessedImage picture;
  for (const auto& [aspect, width, height] :
       {std::tuple{1.5f, 128, 85}, {0.75f, 96, 128}, {1.0f, 128, 128}}) {
    picture.params.aspectRatio = aspect;
    const auto canvas = Render(picture);
    EXPECT_EQ(canvas->Width(), width);
    EXPECT_EQ(canvas->Height(), height);
    EXPECT_EQ(canvas->SamplesPerPixel(), 3);
  }
  for (const float bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(), 1e-9f}) {
    picture.params.aspectRatio = bad;
    CxImage canvas;
    EXPECT_FALSE(picture.Render(128, canvas, 0, options_)) << bad;
    EXPECT_FALSE(canvas.IsValid());
  }
  picture.params.aspectRatio = 1.0f;
  CxImage canvas;
  EXPECT_FALSE(picture.Render(0, canvas, 0, options_));
}

TEST_F(CompositionTest, WithoutImagesTheGreyPlaceholderSitsOnWhiteByZoomAndPosition) {
  CProcessedImage picture;
  picture.params.aspectRatio = 1.0f;
  picture.params.zoom = -35;  // 1.02^-35 = 0.5: the 75 x 50 placeholder spans 96 x 64
  auto canvas = Render(picture);
  EXPECT_TRUE(Is(canvas, 0, 0, kWhite, 0));
  EXPECT_TRUE(Is(canvas, 127, 127, kWhite, 0));
  EXPECT_TRUE(Is(canvas, 64, 64, kGrey));
  EXPECT_NEAR(CountInColumn(canvas, 64, kGrey), 64, 2);
  picture.params.zoom = -15;  // 0.743 of the canvas height
  EXPECT_NEAR(CountInColumn(Render(picture), 64, kGrey), 0.743 * 128, 2);
  picture.params.zoom = 35;  // twice the height: grey everywhere
  canvas = Render(picture);
  EXPECT_TRUE(Is(canvas, 0, 0, kGrey) && Is(canvas, 127, 127, kGrey));
  picture.params.zoom = -35;
  picture.params.imageX = 250;  // a quarter of the canvas height to the right
  canvas = Render(picture);
  EXPECT_TRUE(Is(canvas, 100, 64, kGrey));
  EXPECT_TRUE(Is(canvas, 20, 64, kWhite));
}

TEST_F(CompositionTest, ExtremeZoomAndRotationSkipThePhotoInsteadOfFlooding) {
  CProcessedImage picture;
  picture.params.aspectRatio = 1.0f;
  for (const int zoom : {100000, -100000}) {
    picture.params.zoom = zoom;
    const auto canvas = Render(picture);
    EXPECT_EQ(CountInColumn(canvas, 64, kWhite), 128) << zoom;
  }
  picture.params.zoom = -35;
  picture.params.rotation = 157;  // a quarter turn: 64 wide, 96 tall
  EXPECT_NEAR(CountInColumn(Render(picture), 64, kGrey), 96, 2);
}

TEST_F(CompositionTest, LayersStackAndMissingOnesAreSkipped) {
  CProcessedImage picture;
  picture.params.aspectRatio = 1.0f;
  picture.params.bgImageName = FlatFile("blue", 40, 30, {200, 0, 0, 255});
  picture.name = FlatFile("red", 60, 40, {0, 0, 200, 255});
  picture.params.zoom = -35;
  auto canvas = Render(picture);
  EXPECT_TRUE(Is(canvas, 2, 2, {200, 0, 0, 255}));    // background stretched over the canvas
  EXPECT_TRUE(Is(canvas, 64, 64, {0, 0, 200, 255}));  // photo in the middle
  EXPECT_NEAR(CountInColumn(canvas, 64, {0, 0, 200, 255}), 64, 2);

  // A foreground with a transparent half and an opaque green half.
  CxImage fg;
  ASSERT_TRUE(fg.Create(64, 64, 1, 1, 0));
  Fill(fg, {0, 0, 0, 0});
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 32; ++x) {
      unsigned char* p = fg.GetRowPtr(y) + 4 * x;
      p[1] = 180, p[3] = 255;
    }
  const std::string fgPath = folder_.Path() + "/fg.tif";
  ASSERT_TRUE(fg.Save(fgPath.c_str(), IMG_TYPE_TIFF, 1, 0, nullptr, 0));
  picture.params.fgImageName = fgPath;
  canvas = Render(picture);
  EXPECT_TRUE(Is(canvas, 10, 64, {0, 180, 0, 255}));   // opaque half over the background
  EXPECT_TRUE(Is(canvas, 40, 64, {0, 180, 0, 255}));   // and over the photo
  EXPECT_TRUE(Is(canvas, 96, 64, {0, 0, 200, 255}));   // the transparent half shows the photo
  EXPECT_TRUE(Is(canvas, 122, 64, {200, 0, 0, 255}));  // and the background

  // Missing files: white instead of the background; the photo and foreground
  // left out, and each named to the options' layerLeftOut with the reason.
  std::vector<std::string> leftOut;
  options_.layerLeftOut = [&](const std::string& layer, const std::string& path, const std::string& reason) {
    leftOut.push_back(layer + " " + path.substr(path.rfind('/') + 1) + ": " + reason);
  };
  picture.params.bgImageName = folder_.Path() + "/none.tif";
  picture.name = folder_.Path() + "/none.jpg";
  picture.params.fgImageName = folder_.Path() + "/none.png";
  canvas = Render(picture);
  EXPECT_EQ(CountInColumn(canvas, 64, kWhite), 128);
  EXPECT_EQ(leftOut, (std::vector<std::string>{"background none.tif: the file does not exist",
                                               "photo none.jpg: the file does not exist",
                                               "foreground none.png: the file does not exist"}));
  // A photo that does not load keeps the background under it; a file that is
  // no image gives the reason the library knows.
  leftOut.clear();
  picture.params.bgImageName = FlatFile("blue", 40, 30, {200, 0, 0, 255});
  picture.name = folder_.Path() + "/text.jpg";
  std::ofstream(picture.name) << "not a photo";
  EXPECT_EQ(CountInColumn(Render(picture), 64, {200, 0, 0, 255}), 128);
  ASSERT_EQ(leftOut.size(), 2u);
  EXPECT_EQ(leftOut[0].rfind("photo text.jpg: ", 0), 0u) << leftOut[0];
  EXPECT_EQ(leftOut[0].find("does not exist"), std::string::npos) << leftOut[0];
}

// The sample layouts shipped in examples/layouts: a PNG frame whose window
// shows the photo, the caption on the frame, the icon; read as pixtool reads
// them, "<AP>" standing for the folder above their Layout/ folder.
TEST_F(CompositionTest, SampleLayoutsShowThePhotoThroughTheirFramesWindow) {
  const std::string samples = BX_EXAMPLES_DIR "/layouts/";
  const Bgra grey{128, 128, 128, 255};
  const std::string photo = FlatFile("photo", 274, 200, grey);
  const auto bright = [](const Picture& canvas, int x, int y) {
    return At(canvas, x, y, 0) > 220 && At(canvas, x, y, 1) > 220 && At(canvas, x, y, 2) > 220;
  };
  const auto count = [](const Picture& canvas, int left, int top, int right, int bottom, auto test) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += test(canvas, x, y);
    return n;
  };
  options_.layerLeftOut = [](const std::string& layer, const std::string& path, const std::string& reason) {
    ADD_FAILURE() << layer << " " << path << ": " << reason;
  };

  CLayoutObject gold;
  ASSERT_TRUE(gold.LoadFile(samples + "Layout/gold-frame.xml", samples));
  EXPECT_EQ(gold.layoutName, "Gold frame");
  EXPECT_EQ(gold.params.fgImageName, samples + "images/gold-frame.png");
  EXPECT_EQ(gold.UsabilityProblem(), "");
  gold.name = photo;
  auto canvas = Render(gold, 300);  // 300 x 200; the window is 240 x 140 from (30, 20)
  ASSERT_EQ(canvas->Height(), 200);
  for (const auto& [x, y] : {std::pair{150, 90}, {35, 25}, {265, 155}})
    EXPECT_TRUE(Is(canvas, x, y, grey, 2));
  EXPECT_TRUE(At(canvas, 5, 100, 2) > 180 && At(canvas, 5, 100, 0) < 150);  // gilt, not the photo
  EXPECT_TRUE(At(canvas, 150, 10, 2) > 180 && At(canvas, 150, 10, 0) < 150);
  const int cream = count(canvas, 32, 170, 268, 188, [](const Picture& c, int x, int y) {
    return At(c, x, y, 2) > 230 && At(c, x, y, 0) > 200;
  });
  const int ink = count(canvas, 32, 170, 268, 188, [](const Picture& c, int x, int y) {
    return At(c, x, y, 2) < 140 && At(c, x, y, 0) < 100;
  });
  EXPECT_GT(cream, 2000);  // the band
  EXPECT_GT(ink, 60);      // the date on it

  CLayoutObject party;
  ASSERT_TRUE(party.LoadFile(samples + "Layout/party.xml", samples));
  EXPECT_EQ(party.Icons().size(), 1u);
  EXPECT_EQ(party.UsabilityProblem(), "");
  party.name = photo;
  canvas = Render(party, 400);  // 300 x 400; the oval window centred at (150, 165)
  ASSERT_EQ(canvas->Width(), 300);
  EXPECT_TRUE(Is(canvas, 150, 165, grey, 8));  // contrast and saturation barely move a grey
  EXPECT_TRUE(Is(canvas, 150, 60, grey, 8));
  EXPECT_GT(At(canvas, 5, 395, 0), At(canvas, 5, 395, 2) + 20);               // navy frame
  EXPECT_GT(At(canvas, 150, 30, 0), At(canvas, 150, 30, 2) + 20);             // above the window
  EXPECT_GT(count(canvas, 20, 355, 280, 380, bright), 300);                   // the white caption
  EXPECT_TRUE(At(canvas, 262, 36, 2) > 200 && At(canvas, 262, 36, 0) < 120);  // the gold star
}

// Left, top, right, bottom (from the top) of the pixels near the colour.
std::array<int, 4> Box(const CxImage& image, Bgra colour) {
  std::array<int, 4> box{image.Width(), image.Height(), -1, -1};
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (Is(image, x, y, colour, 40))
        box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
  return box;
}

TEST_F(CompositionTest, PlacementMatchesAnImageMagickCompositeOfTheSameLayers) {
  if (!std::filesystem::exists("/usr/bin/convert"))
    GTEST_SKIP() << "ImageMagick's /usr/bin/convert is not installed";
  CProcessedImage picture;
  picture.params.aspectRatio = 1.5f;
  picture.name = FlatFile("photo", 60, 40, {0, 0, 200, 255});
  picture.params.zoom = -35;     // half the canvas height: 96 x 64
  picture.params.imageX = 250;   // centre 32 px right of the middle
  picture.params.imageY = -125;  // and 16 px below it
  const auto canvas = Render(picture, 192);
  const std::string reference = folder_.Path() + "/reference.tif";
  ASSERT_EQ(std::system(("/usr/bin/convert -size 192x128 xc:white \\( " + picture.name +
                         " -resize 96x64! \\) -geometry +80+48 -composite -depth 8 " + reference)
                            .c_str()),
            0);
  CxImage expected;
  ASSERT_TRUE(expected.Load(reference.c_str(), 0, 1, 0, 0, nullptr));
  const std::array<int, 4> ours = Box(*canvas, {0, 0, 200, 255}), theirs = Box(expected, {0, 0, 200, 255});
  for (int edge = 0; edge < 4; ++edge) EXPECT_NEAR(ours[edge], theirs[edge], 1) << edge;
}

TEST_F(CompositionTest, EmptyOrRefusedCropsUseTheWholePhoto) {
  CProcessedImage picture;
  picture.params.aspectRatio = 1.0f;
  picture.params.zoom = -35;
  picture.name = FlatFile("photo", 60, 40, {0, 0, 200, 255});
  const int whole = CountInColumn(Render(picture), 64, {0, 0, 200, 255});
  picture.params.cropLeft = picture.params.cropRight = 100;  // no width
  EXPECT_EQ(CountInColumn(Render(picture), 64, {0, 0, 200, 255}), whole);
  picture.params.cropLeft = 5000, picture.params.cropRight = 6000;  // wholly outside the photo
  picture.params.cropTop = 5000, picture.params.cropBottom = 6000;
  EXPECT_EQ(CountInColumn(Render(picture), 64, {0, 0, 200, 255}), whole);
  // A real crop: the middle quarter of the height fills the same 64 rows at this zoom.
  picture.params.cropLeft = -100, picture.params.cropRight = 100;
  picture.params.cropTop = 125, picture.params.cropBottom = -125;
  EXPECT_NEAR(CountInColumn(Render(picture), 64, {0, 0, 200, 255}), 64, 2);
}

TEST_F(CompositionTest, ColourParametersAreClampedAndContrastZeroSkipsTheCurve) {
  CProcessedImage picture;
  picture.params.aspectRatio = 1.0f;
  picture.params.zoom = 35;  // the photo covers the canvas
  picture.name = FlatFile("photo", 40, 40, {60, 110, 170, 255});
  EXPECT_TRUE(Is(Render(picture), 64, 64, {60, 110, 170, 255}));

  picture.params.saturation = -100;  // grey of the same luminance
  auto canvas = Render(picture);
  EXPECT_EQ(At(canvas, 64, 64, 0), At(canvas, 64, 64, 1));
  EXPECT_EQ(At(canvas, 64, 64, 1), At(canvas, 64, 64, 2));
  picture.params.saturation = 0;

  picture.params.red = -100;
  const auto noRed = Render(picture);
  picture.params.red = -400;  // a negative factor would be undefined: counts as -100
  canvas = Render(picture);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(At(canvas, 64, 64, c), At(noRed, 64, 64, c));
  picture.params.red = 0;

  picture.params.contrast = 100;  // a threshold at mid-grey
  EXPECT_TRUE(Is(Render(picture), 64, 64, {0, 0, 255, 255}));
  picture.params.contrast = 900;  // beyond the range: the same threshold
  EXPECT_TRUE(Is(Render(picture), 64, 64, {0, 0, 255, 255}));
  picture.params.contrast = -100;  // flat
  EXPECT_TRUE(Is(Render(picture), 64, 64, {127, 127, 127, 255}));

  picture.params.contrast = 0;
  picture.params.autoLevels = true;  // a flat photo has nothing to stretch
  EXPECT_TRUE(Is(Render(picture), 64, 64, {60, 110, 170, 255}));
}

TEST_F(CompositionTest, IconsComeFromThePageOrTheSingleIconFields) {
  CProcessedImage picture;
  picture.params.page = "a.tif;1;2;3;4|b.tif;1;2;3";
  CIconParamsList icons = picture.Icons();
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].name, "a.tif");
  EXPECT_EQ(icons[0].x, 1);
  EXPECT_EQ(icons[0].y, 2);
  EXPECT_EQ(icons[0].zoom, 3);
  EXPECT_EQ(icons[0].rotation, 4);
  picture.params.page = "x.tif;left;7;0;0";
  EXPECT_EQ(picture.Icons().at(0).x, 0);  // a field that is no number reads as 0

  picture.params.iconImageName = "single.tif";
  picture.params.iconZoom = -10;
  picture.params.page = "";
  ASSERT_EQ(picture.Icons().size(), 1u);
  EXPECT_EQ(picture.Icons()[0].zoom, -10);
  picture.params.page = "||";
  EXPECT_EQ(picture.Icons().size(), 1u);
  picture.params.page = "only;four;fields;here";
  EXPECT_TRUE(picture.Icons().empty());

  // Drawn in list order over the photo; one that does not load is skipped.
  const std::string icon = FlatFile("icon", 20, 20, {0, 200, 0, 255});
  picture.params.aspectRatio = 1.0f;
  picture.params.zoom = -35;
  picture.params.page = "missing.tif;0;0;0;0|" + icon + ";0;0;-35;0";
  const auto canvas = Render(picture);
  EXPECT_TRUE(Is(canvas, 64, 64, {0, 200, 0, 255}, 2));
  EXPECT_NEAR(CountInColumn(canvas, 64, {0, 200, 0, 255}), 64, 3);
}

TEST_F(CompositionTest, CaptionFormatsTheDateOfTheGivenClock) {
  const std::time_t noon = 1299499200;  // 7 March 2011, 12:00 UTC
  EXPECT_EQ(FormatCaption("%d/%m/%Y", noon), "07/03/2011");
  EXPECT_EQ(FormatCaption("50%", noon), "50");
  EXPECT_EQ(FormatCaption("50%%", noon), "50%");
  EXPECT_EQ(FormatCaption("", noon), "");
  std::string longCaption;
  for (int i = 0; i < 1000; ++i) longCaption += "%Y";
  EXPECT_EQ(FormatCaption(longCaption, noon).size(), 4000u);  // never cut short
  EXPECT_EQ(FormatCaption("%Y", std::numeric_limits<std::time_t>::max()), "Invalid DateTime");

  // Drawn in TEXTCOLOR on the canvas.
  CProcessedImage picture;
  picture.params.aspectRatio = 1.0f;
  picture.params.zoom = -100000;  // no photo
  picture.params.text = "%d";
  picture.params.textColor = 0x0000FF;
  picture.params.textZoom = 35;
  options_.clock = [noon] { return noon; };
  const auto canvas = Render(picture);
  int red = 0;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) red += At(canvas, x, y, 2) > 200 && At(canvas, x, y, 0) < 60;
  EXPECT_GT(red, 50);
}

TEST_F(CompositionTest, PrepareComposesAtThePhotosSizeAndGetComposedKeepsIt) {
  CProcessedImage picture;
  picture.params.aspectRatio = 1.5f;
  picture.name = FlatFile("photo", 300, 200, {0, 0, 200, 255});
  CxImage composed;
  ASSERT_TRUE(picture.GetComposed(0, options_, composed));
  EXPECT_EQ(composed.Width(), 300);
  EXPECT_EQ(composed.Height(), 200);
  EXPECT_TRUE(Is(composed, 150, 100, {0, 0, 200, 255}));
  // Kept: asking again at another size returns the same picture until the parameters change.
  ASSERT_TRUE(picture.GetComposed(128, options_, composed));
  EXPECT_EQ(composed.Width(), 300);
  CProcessedImage copy = picture;
  ASSERT_TRUE(copy.GetComposed(128, options_, composed));
  EXPECT_EQ(composed.Width(), 300);
  copy.CopyParameters(picture);
  ASSERT_TRUE(copy.GetComposed(128, options_, composed));
  EXPECT_EQ(composed.Width(), 128);

  // Without compose only the photo itself is loaded, reduced to the size.
  CProcessedImage photoOnly = picture;
  photoOnly.Unload();
  ASSERT_TRUE(photoOnly.Prepare(false, 64, options_));
  ASSERT_TRUE(photoOnly.GetComposed(128, options_, composed));
  EXPECT_EQ(composed.Width(), 64);
  EXPECT_NEAR(composed.Height(), 43, 1);

  picture.params.aspectRatio = std::numeric_limits<float>::quiet_NaN();
  picture.Unload();
  EXPECT_FALSE(picture.GetComposed(128, options_, composed));
  EXPECT_FALSE(composed.IsValid());
}

}  // namespace
