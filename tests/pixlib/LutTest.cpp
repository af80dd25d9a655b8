#include "pixlib/core/Lut.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The curve computed directly from its definition.
int referenceContrast(int i, double b) {
  const double c = 1.0 - b, d = i / 255.0;
  if (c == 1.0) return 127;
  if (c == 0.0) return d < 0.5 ? 0 : 255;
  const double k = (1.0 / c - 2.0) * (1.0 - 2.0 * d);
  return static_cast<int>(255.0 * (d < 0.5 ? d / (k + 1.0) : (k - d) / (k - 1.0)));
}

}  // namespace

TEST(Lut, StartsAsIdentityAndCopiesDeeply) {
  CLut lut;
  IplLUT* table = lut;
  EXPECT_EQ(table->num, 257);
  EXPECT_EQ(table->key[256], 256);
  EXPECT_EQ(table->interpolateType, IPL_LUT_LOOKUP);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table->value[i], i);

  lut[10] = 99;
  CLut copy(lut);
  lut[10] = 5;
  IplLUT* copied = copy;
  EXPECT_NE(copied->value, table->value);
  EXPECT_EQ(copied->value[10], 99);
  copy = lut;
  EXPECT_EQ(copy[10], 5);
  EXPECT_EQ(static_cast<IplLUT*>(copy)->value, copied->value);
}

TEST(Lut, ContrastCurveKeyPoints) {
  CLut lut;
  ContrastLUT(0.5f, lut);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(lut[i], i) << i;
  ContrastLUT(0.0f, lut);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(lut[i], 127) << i;
  ContrastLUT(1.0f, lut);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(lut[i], i <= 127 ? 0 : 255) << i;
  ContrastLUT(0.75f, lut);
  EXPECT_EQ(lut[64], 32);
  EXPECT_EQ(lut[192], 223);
  for (double b : {0.1, 0.3, 0.6, 0.75, 0.9}) {
    ContrastLUT(static_cast<float>(b), lut);
    for (int i = 0; i < 256; ++i)
      ASSERT_NEAR(lut[i], referenceContrast(i, static_cast<float>(b)), 1) << b << " " << i;
  }
}

TEST(Lut, ContrastArgumentIsClampedToTheUnitRange) {
  CLut lut, edge;
  ContrastLUT(2.0f, lut);  // unclamped, 2 divides by zero at i = 85
  ContrastLUT(1.0f, edge);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(lut[i], edge[i]);
  ContrastLUT(-3.0f, lut);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(lut[i], 127);
  ContrastLUT(NAN, lut);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(lut[i], i);
  ContrastLUT(0.5f, nullptr);  // must not crash
}
