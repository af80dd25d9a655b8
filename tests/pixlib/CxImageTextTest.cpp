// Text on the image's device context: font sizes, line breaks, placement,
// caret, rotation, decoding, threads, and the ink against ImageMagick.

#include "PixlibTestImages.h"
#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <thread>

namespace {

const char* const kSerifFile = "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";

struct TextProbe : CxImage {
  using CxImage::CalcTextParams;
};

struct Block {
  int maxWidth = 0, totalHeight = 0, lineHeight = 0;
  float angle = 0;
  std::vector<int> widths = std::vector<int>(8, -1);
};

Block Measure(CxImage& image, const std::string& text, CFont& font) {
  Block b;
  CDC* dc = image.GetDC();
  TextProbe::CalcTextParams(dc, text, font, b.maxWidth, b.totalHeight, b.widths.data(), b.lineHeight,
                            b.angle);
  image.ReleaseDC();
  return b;
}

// Bounding box (device coordinates, y down) of pixels where the predicate holds.
template <class Pred>
cv::Rect InkBox(const cv::Mat& topFirst, Pred ink) {
  int x0 = topFirst.cols, y0 = topFirst.rows, x1 = -1, y1 = -1;
  for (int y = 0; y < topFirst.rows; ++y)
    for (int x = 0; x < topFirst.cols; ++x)
      if (ink(topFirst, x, y))
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  return x1 < 0 ? cv::Rect() : cv::Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

cv::Mat TopFirst(const CxImage& image) {
  cv::Mat m;
  cv::flip(StoredRows(image), m, 0);
  return m;
}

bool NotBlack(const cv::Mat& m, int x, int y) { return m.at<cv::Vec3b>(y, x) != cv::Vec3b(0, 0, 0); }

bool Same(const CxImage& a, const CxImage& b) {
  return cv::countNonZero(StoredRows(a).reshape(1) != StoredRows(b).reshape(1)) == 0;
}

void SetColours(CxImage& image, COLORREF text, int bkMode, COLORREF bk = RGB(255, 255, 255)) {
  CDC* dc = image.GetDC();
  dc->SetTextColor(text);
  dc->SetBkMode(bkMode);
  dc->SetBkColor(bk);
}

}  // namespace

TEST(TextFont, SizeAngleAndStyleBecomeTheFontDescription) {
  CxImage image;
  ASSERT_EQ(image.Create(640, 480), 1);
  CFont font;
  LOGFONT lf;
  ASSERT_EQ(image.CreateFont("Times New Roman", 0.5f, std::numbers::pi_v<float> / 2, 5, font), 1);
  font.GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, -32);  // 240 tenths of a point at 96 dpi
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 0);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_STREQ(lf.lfFaceName, "Times New Roman");

  image.CreateFont("x", 0.5f, 1000 * std::numbers::pi_v<float> + std::numbers::pi_v<float> / 2, 8,
                   font);  // angles reduced first; unknown style
  font.GetLogFont(&lf);
  EXPECT_NEAR(lf.lfEscapement, 900, 2);
  EXPECT_EQ(lf.lfWeight, 0);
  image.CreateFont("x", 1e30f, std::numeric_limits<float>::quiet_NaN(), 0, font);
  font.GetLogFont(&lf);
  EXPECT_EQ(lf.lfHeight, -CFont::kMaxPixels);
  EXPECT_EQ(lf.lfEscapement, 0);
}

TEST(TextFont, BelowOnePixelDrawsNothing) {
  CxImage image, before;
  image.Create(200, 100, 0, 1, 0);
  before.Create(200, 100, 0, 1, 0);
  CFont font;
  image.CreateFont("Liberation Sans", 0.01f, 0, 0, font);  // 1 tenth of a point
  SetColours(image, RGB(255, 255, 255), OPAQUE);
  image.DrawText("Hidden", 0, 0, font, 0, 0);
  image.ReleaseDC();
  EXPECT_TRUE(Same(image, before));
}

TEST(TextLayout, LineBreaksWidthsAndBounds) {
  CxImage image;
  image.Create(640, 480);
  CFont font;
  image.CreateFont("Liberation Sans", 0.5f, 0, 0, font);
  const Block one = Measure(image, "ab", font);
  EXPECT_EQ(one.lineHeight, 32);
  EXPECT_EQ(one.totalHeight, 32);
  EXPECT_GT(one.maxWidth, 20);
  for (const char* two : {"ab\r\nabc", "ab\nabc", "ab\rabc"}) {
    const Block b = Measure(image, two, font);
    EXPECT_EQ(b.totalHeight, 64) << two;
    EXPECT_EQ(b.widths[0], one.maxWidth) << two;
    EXPECT_GT(b.widths[1], b.widths[0]) << two;
    EXPECT_EQ(b.maxWidth, b.widths[1]) << two;
    EXPECT_EQ(b.widths[2], -1) << two;  // nothing written past the lines
  }
  EXPECT_EQ(Measure(image, "ab\n", font).totalHeight, 64);  // a trailing break starts an empty line
  EXPECT_EQ(Measure(image, "a\n\r\nb", font).totalHeight, 96);

  CFRect upright, turned;
  ASSERT_EQ(image.GetTextBoundsRect("Caption", font, upright), 1);
  image.CreateFont("Liberation Sans", 0.5f, std::numbers::pi_v<float> / 2, 0, font);
  ASSERT_EQ(image.GetTextBoundsRect("Caption", font, turned), 1);
  EXPECT_NEAR(turned.Width(), upright.Height(), 1.0f);
  EXPECT_NEAR(turned.Height(), upright.Width(), 1.0f);
}

TEST(TextLayout, DecodesUtf8AndAcceptsLatin1) {
  CxImage image;
  image.Create(640, 480);
  CFont font;
  image.CreateFont("Liberation Serif", 0.5f, 0, 0, font);
  CDC* dc = image.GetDC();
  dc->SelectFont(&font);
  const int latin1 = dc->GetTextExtent("Caf\xe9").cx, utf8 = dc->GetTextExtent("Caf\xc3\xa9").cx;
  EXPECT_EQ(latin1, utf8);
  EXPECT_GT(utf8, dc->GetTextExtent("Caf").cx);
  // A broken sequence: both bytes are characters of their own.
  EXPECT_EQ(dc->GetTextExtent("\xc3(").cx, dc->GetTextExtent("\xc3").cx + dc->GetTextExtent("(").cx);
  image.ReleaseDC();
}

TEST(TextDrawing, FirstLineCellSitsWhereTheBlockCentreSays) {
  CxImage image;
  image.Create(400, 300, 0, 1, 0);
  CFont font;
  image.CreateFont("Liberation Sans", 0.8f, 0, 0, font);
  const Block b = Measure(image, "Hi\nthere", font);
  SetColours(image, RGB(255, 0, 0), OPAQUE, RGB(0, 255, 0));
  const float x = 0.1f, y = 0.05f;
  ASSERT_EQ(image.DrawText("Hi\nthere", x, y, font, 0, -1), 1);
  image.ReleaseDC();
  const cv::Rect box = InkBox(TopFirst(image), NotBlack);
  EXPECT_EQ(box.x, static_cast<int>(400 / 2 + 300.0 * x - b.maxWidth / 2.0));
  EXPECT_EQ(box.y, static_cast<int>(300 / 2 - 300.0 * y - b.totalHeight / 2.0));
  const cv::Mat top = TopFirst(image);
  EXPECT_EQ(top.at<cv::Vec3b>(box.y, box.x), cv::Vec3b(0, 255, 0));  // the opaque background, BGR
}

TEST(TextDrawing, AlignmentMovesShorterLines) {
  std::array<int, 3> lefts{};
  for (int align = 0; align < 3; ++align) {
    CxImage image;
    image.Create(400, 300, 0, 1, 0);
    CFont font;
    image.CreateFont("Liberation Sans", 0.5f, 0, 0, font);
    SetColours(image, RGB(255, 255, 255), TRANSPARENT);
    image.DrawText("a much longer line\nI", 0, 0, font, align, -1);
    image.ReleaseDC();
    // Ink of the second line only: the rows below the first line's cell.
    const cv::Mat lower = TopFirst(image)(cv::Rect(0, 152, 400, 148));
    lefts[align] = InkBox(lower, NotBlack).x;
  }
  EXPECT_LT(lefts[0], lefts[1]);
  EXPECT_LT(lefts[1], lefts[2]);
}

TEST(TextDrawing, CaretIsExclusiveOrSoDrawingItTwiceRestores) {
  CxImage image, before;
  image.Create(200, 100);
  FillNoise(image, 3);
  before.Create(200, 100);
  StoredRows(image).copyTo(StoredRows(before));
  CFont font;
  image.CreateFont("Liberation Sans", 0.3f, 0.4f, 0, font);
  ASSERT_EQ(image.DrawText("", 0, 0, font, 0, 0), 1);
  EXPECT_FALSE(Same(image, before));
  // The caret is a pen 8 pixels wide, as tall as a line: the image inverted under it.
  const int changed = cv::countNonZero(StoredRows(image).reshape(1) != StoredRows(before).reshape(1));
  EXPECT_GT(changed, 3 * 8 * 2);
  image.DrawText("", 0, 0, font, 0, 0);
  EXPECT_TRUE(Same(image, before));
  image.DrawText("", 0, 0, font, 0, 5);  // outside the text: no caret
  EXPECT_TRUE(Same(image, before));
}

TEST(TextDrawing, ClipRectangleAndImagesWithoutBitmap) {
  CxImage image;
  image.Create(300, 100, 0, 1, 0);
  CFont font;
  image.CreateFont("Liberation Sans", 0.5f, 0, 0, font);
  CDC* dc = image.GetDC();
  SetColours(image, RGB(255, 255, 255), TRANSPARENT);
  const int saved = dc->SaveDC();
  dc->IntersectClipRect(0, 0, 150, 100);
  image.DrawText("WWWWWWWWWW", 0, 0, font, 0, -1);
  EXPECT_LT(InkBox(TopFirst(image), NotBlack).br().x, 151);
  dc->RestoreDC(saved);
  image.DrawText("WWWWWWWWWW", 0, 0, font, 0, -1);
  EXPECT_GT(InkBox(TopFirst(image), NotBlack).br().x, 160);
  image.ReleaseDC();

  // A copy made through IPL has no bitmap behind its pixels: nothing is drawn.
  CxImage clone;
  ASSERT_EQ(clone.Create(static_cast<IplImage*>(image), CF_COPY), 1);
  clone.Set(0);
  EXPECT_EQ(clone.DrawText("WWW", 0, 0, font, 0, 0), 0);
  EXPECT_EQ(cv::countNonZero(StoredRows(clone).reshape(1)), 0);
}

TEST(TextDrawing, GreyImagesTakeTheGreyValueAndAlphaIsKept) {
  CxImage grey, bgra;
  ASSERT_EQ(grey.Create(200, 480, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_BL, IPL_DEPTH_8U, 1, 0), 1);
  ASSERT_EQ(bgra.Create(200, 480, 1, 1, 0), 1);
  for (CxImage* image : {&grey, &bgra}) {
    CFont font;
    image->CreateFont("Liberation Sans", 0.5f, 0, 0, font);
    SetColours(*image, RGB(255, 0, 0), OPAQUE, RGB(0, 0, 255));
    ASSERT_EQ(image->DrawText("M", 0, 0, font, 0, -1), 1);
    image->ReleaseDC();
  }
  double greyMax = 0;
  cv::minMaxLoc(StoredRows(grey), nullptr, &greyMax);
  EXPECT_EQ(greyMax, 76);  // red's grey value; the blue background is 29
  std::vector<cv::Mat> planes;
  cv::split(StoredRows(bgra), planes);
  EXPECT_GT(cv::countNonZero(planes[2]), 0);  // red ink
  EXPECT_GT(cv::countNonZero(planes[0]), 0);  // blue background
  EXPECT_EQ(cv::countNonZero(planes[3]), 0);  // alpha untouched
}

TEST(TextDrawing, SeveralThreadsDrawTheSameCaption) {
  const auto draw = [](CxImage& image, float angle) {
    image.Create(320, 240, 0, 1, 0);
    CFont font;
    image.CreateFont("Liberation Serif", 0.3f, angle, 3, font);
    SetColours(image, RGB(250, 200, 100), TRANSPARENT);
    image.DrawText("Thread\nsafe", 0.1f, 0, font, 1, -1);
    image.ReleaseDC();
  };
  CxImage reference;
  draw(reference, 0.7f);
  std::vector<CxImage> images(4);
  std::vector<std::thread> threads;
  for (auto& image : images) threads.emplace_back([&] { draw(image, 0.7f); });
  for (auto& t : threads) t.join();
  for (const auto& image : images) EXPECT_TRUE(Same(image, reference));
}

TEST(TextDrawing, InkMatchesImageMagickAnnotate) {
  if (!std::filesystem::exists("/usr/bin/convert"))
    GTEST_SKIP() << "ImageMagick's /usr/bin/convert is not installed";
  if (!std::filesystem::exists(kSerifFile)) GTEST_SKIP() << "fonts-liberation is not installed";
  constexpr int kWidth = 640, kHeight = 480;
  const std::string caption = "Caption \xc3\x85got 1994";
  CxImage image;
  image.Create(kWidth, kHeight, 0, 1, 255);
  CFont font;
  image.CreateFont("Times New Roman", 0.5f, 0, 0, font);  // 32 pixels, the metric twin of Liberation Serif
  const Block b = Measure(image, caption, font);
  SetColours(image, RGB(0, 0, 0), TRANSPARENT);
  ASSERT_EQ(image.DrawText(caption, 0, 0, font, 0, -1), 1);
  image.ReleaseDC();
  // The cell's top-left corner; ImageMagick's north-west gravity puts the top of the ascent there.
  const int left = static_cast<int>(kWidth / 2 - b.maxWidth / 2.0);
  const int top = static_cast<int>(kHeight / 2 - b.totalHeight / 2.0);

  const auto dir = std::filesystem::temp_directory_path() / ("pixlib-text-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string raw = (dir / "annotate.gray").string();
  const std::string command = "/usr/bin/convert -size " + std::to_string(kWidth) + "x" +
                              std::to_string(kHeight) + " xc:white -font " + kSerifFile +
                              " -density 72 -pointsize 32 -fill black -gravity NorthWest -annotate +" +
                              std::to_string(left) + "+" + std::to_string(top) + " '" + caption +
                              "' -depth 8 gray:" + raw;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(raw, std::ios::binary);
  std::vector<unsigned char> grey(kWidth * kHeight);
  in.read(reinterpret_cast<char*>(grey.data()), static_cast<std::streamsize>(grey.size()));
  ASSERT_EQ(in.gcount(), static_cast<std::streamsize>(grey.size()));
  std::filesystem::remove_all(dir);

  const auto dark = [](const cv::Mat& m, int x, int y) { return m.at<cv::Vec3b>(y, x)[1] < 128; };
  const auto darkGrey = [](const cv::Mat& m, int x, int y) { return m.at<unsigned char>(y, x) < 128; };
  const cv::Rect ours = InkBox(TopFirst(image), dark);
  const cv::Rect theirs = InkBox(cv::Mat(kHeight, kWidth, CV_8U, grey.data()), darkGrey);
  ASSERT_GT(theirs.width, 100);
  EXPECT_NEAR(ours.x, theirs.x, 2);
  EXPECT_NEAR(ours.y, theirs.y, 2);
  EXPECT_NEAR(ours.br().x, theirs.br().x, 2);
  EXPECT_NEAR(ours.br().y, theirs.br().y, 2);
}
