// The image pane paints through the imaging library's display device: the
// picture appears fitted, the right way up, on the offscreen platform.
#include "ui/ImagePane.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// 40 x 20: the top half of the picture red, the bottom half blue (stored
// rows run upwards).
void PaintHalves(CxImage& image) {
  image.Create(40, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      unsigned char* p = image.GetRowPtr(y) + 3 * x;
      p[0] = y < 10 ? 255 : 0;
      p[2] = y < 10 ? 0 : 255;
    }
}

}  // namespace

TEST(ImagePaneTest, DrawsTheImageFittedAndUpright) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int argc = 1;
  char name[] = "ui_image_pane_test";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);

  ImagePane pane;
  pane.resize(200, 200);
  const QImage empty = pane.grab().toImage();
  EXPECT_EQ(empty.pixelColor(100, 100), QColor(Qt::black));

  CxImage image;
  PaintHalves(image);
  pane.SetImage(image);
  image.CleanUp();  // the pane keeps its own copy
  QApplication::processEvents();
  const QImage shot = pane.grab().toImage();
  ASSERT_EQ(shot.size(), QSize(200, 200));
  // Fitted to 200 x 100, centred: black bands above and below.
  EXPECT_EQ(shot.pixelColor(100, 20), QColor(Qt::black));
  EXPECT_EQ(shot.pixelColor(100, 75), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(5, 60), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(100, 125), QColor(Qt::blue));
  EXPECT_EQ(shot.pixelColor(195, 140), QColor(Qt::blue));
  EXPECT_EQ(shot.pixelColor(100, 180), QColor(Qt::black));
  EXPECT_EQ(pane.CurrentImage().size(), QSize(40, 20));
}
