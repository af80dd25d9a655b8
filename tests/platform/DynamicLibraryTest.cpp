#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

namespace {

TEST(DynamicLibrary, FindsSymbolsAndReportsFailures) {
  bx::DynamicLibrary math("libm.so.6");
  ASSERT_TRUE(math.IsOpen()) << math.Error();
  auto* cosine = math.Find<double(double)>("cos");
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(math.FindSymbol("no_such_symbol_here"), nullptr);

  bx::DynamicLibrary moved(std::move(math));
  EXPECT_TRUE(moved.IsOpen());
  EXPECT_FALSE(math.IsOpen());  // NOLINT(bugprone-use-after-move): moved-from state is defined
  EXPECT_EQ(math.FindSymbol("cos"), nullptr);

  bx::DynamicLibrary missing;
  EXPECT_FALSE(missing.Open("./ExternalFunctions.so"));
  EXPECT_FALSE(missing.Error().empty());
  EXPECT_EQ(missing.FindSymbol("Init"), nullptr);
}

}  // namespace
