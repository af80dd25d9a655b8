#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "aec/AlgorithmClasses.h"
#include "aec/GlobalAEC.h"
#include "aec/MatrixAEC.h"
#include "aec/SpotAEC.h"
#include "tests/aec/TestFrame.h"

using namespace AEC;

namespace {

constexpr int kUnder = 20;
constexpr int kOver = 245;

float Propose(CAutoExposure& algorithm, CTestFrame& frame, float exposure = 1000) {
  return algorithm.Compute(frame.Image(), kUnder, kOver, exposure);
}

}  // namespace

TEST(ExposureStatistics, CountsGreenLevelsWithInclusiveLimitsAndLowerMedian) {
  CTestFrame frame(10, 1, 4);
  frame.Fill(255);  // blue, red and alpha must not count
  const unsigned char green[10] = {0, 0, 0, 0, 20, 21, 128, 244, 245, 255};
  for (int x = 0; x < 10; ++x) frame.SetChannel(x, 0, 1, green[x]);

  const auto statistics = CAutoExposure::ComputeStatistics(frame.Image(), kUnder, kOver);
  ASSERT_TRUE(statistics);
  EXPECT_FLOAT_EQ(statistics->under, 0.5f);
  EXPECT_FLOAT_EQ(statistics->over, 0.2f);
  EXPECT_FLOAT_EQ(statistics->mean, 91.3f);
  EXPECT_FLOAT_EQ(statistics->median, 20.0f);  // first level reaching floor(10 / 2) pixels
}

TEST(ExposureStatistics, MeasureTheRegionOfInterestButGlobalClassesIgnoreIt) {
  CTestFrame frame(100, 100);
  frame.Fill(128);
  frame.Fill(0, 0, 10, 10, 0);  // 1 % of the frame is black
  IplROI corner{0, 0, 0, 10, 10};
  frame.Image().roi = &corner;

  const auto statistics = CAutoExposure::ComputeStatistics(frame.Image(), kUnder, kOver);
  ASSERT_TRUE(statistics);
  EXPECT_FLOAT_EQ(statistics->under, 1.0f);

  CGlobalAEC global;
  EXPECT_FLOAT_EQ(Propose(global, frame), 1000.0f);  // 1 % underexposed: below the threshold

  IplROI pastTheEdge{0, 95, 95, 10, 10};
  frame.Image().roi = &pastTheEdge;
  EXPECT_FALSE(CAutoExposure::ComputeStatistics(frame.Image(), kUnder, kOver));
}

TEST(ThresholdAlgorithms, FollowTheWorkedExamples) {
  CGlobalAEC global;
  CTestFrame black(64, 48);
  EXPECT_FLOAT_EQ(Propose(global, black), 1100.0f);

  CTestFrame split(100, 10);
  split.Fill(128);
  split.Fill(0, 0, 100, 3, 255);
  EXPECT_FLOAT_EQ(Propose(global, split), 900.0f);
  global.m_downStep = 33;
  EXPECT_FLOAT_EQ(Propose(global, split, 999.9f), 670.0f);  // trunc(999.9 - trunc(329.97))
  split.Fill(0, 3, 100, 3, 0);                              // now also 30 % underexposed: the increase wins
  global.m_upStep = 7;
  EXPECT_FLOAT_EQ(Propose(global, split, 999.9f), 1068.0f);  // trunc(trunc(69.99) + 999.9)
  global.m_upStep = 10;
  EXPECT_FLOAT_EQ(Propose(global, split), 1100.0f);

  CMatrixAEC matrix;
  CTestFrame centre(90, 90);
  centre.Fill(128);
  centre.Fill(30, 30, 30, 30, 255);
  EXPECT_FLOAT_EQ(Propose(matrix, centre), 900.0f);  // O = 60 > 20
  centre.Fill(128);
  centre.Fill(0, 0, 30, 30, 255);
  centre.Fill(60, 60, 30, 30, 255);
  centre.Fill(0, 60, 30, 30, 255);
  centre.Fill(60, 0, 30, 30, 255);
  EXPECT_FLOAT_EQ(Propose(matrix, centre), 1000.0f);  // four corners weigh O = 20: not above
}

TEST(LevelAlgorithms, MoveTowardsTheDesiredLevel) {
  CGlobalMeanAEC globalMean;
  CGlobalMedianAEC globalMedian;
  CTestFrame grey(64, 50);
  grey.Fill(128);
  EXPECT_NEAR(Propose(globalMean, grey), 1000.0f, 0.01f);
  EXPECT_NEAR(Propose(globalMedian, grey), 1000.0f, 0.01f);
  grey.Fill(64);
  EXPECT_NEAR(Propose(globalMean, grey), 1800.0f, 0.01f);    // 0.2 e + 0.8 e 128 / 64
  EXPECT_NEAR(Propose(globalMedian, grey), 1700.0f, 0.01f);  // 0.3 e + 0.7 e 128 / 64
  grey.Fill(0, 0, 64, 20, 255);                              // 60 % at 64, 40 % at 255: median 64, mean 140.4
  EXPECT_NEAR(Propose(globalMedian, grey), 1700.0f, 0.01f);
  EXPECT_NEAR(Propose(globalMean, grey), 200 + 0.8f * 128000 / 140.4f, 0.5f);

  CMatrixMeanAEC matrixMean;
  CMatrixMedianAEC matrixMedian;
  CTestFrame matrix(90, 90);
  matrix.Fill(64);
  matrix.Fill(30, 30, 30, 30, 128);  // m = 0.6 x 128 + 0.4 x 64 = 102.4
  EXPECT_NEAR(Propose(matrixMean, matrix), 1200.0f, 0.05f);
  EXPECT_NEAR(Propose(matrixMedian, matrix), 1175.0f, 0.05f);

  CSpotMeanAEC spotMean;
  CSpotMedianAEC spotMedian;
  CTestFrame spot(100, 100);
  spot.Fill(255);
  spot.Fill(40, 40, 20, 20, 128);  // the centre cell of a 5 x 5 grid
  EXPECT_NEAR(Propose(spotMean, spot), 1000.0f, 0.01f);
  EXPECT_NEAR(Propose(spotMedian, spot), 1000.0f, 0.01f);
  spot.Fill(40, 40, 20, 20, 64);
  EXPECT_NEAR(Propose(spotMean, spot), 1800.0f, 0.01f);
}

TEST(LevelAlgorithms, ABlackMeasurementOpensUpUnlessBlackIsWanted) {
  CGlobalMeanAEC mean;
  CSpotMedianAEC median;
  CTestFrame black(50, 50);
  EXPECT_EQ(Propose(mean, black), INFINITY);
  EXPECT_EQ(Propose(median, black), INFINITY);
  mean.m_desiredExp = 0;
  EXPECT_FLOAT_EQ(Propose(mean, black), 1000.0f);
}

TEST(Algorithms, KeepTheExposureForRegionsWithoutPixels) {
  CTestFrame narrow(2, 40);
  CTestFrame small(4, 4);
  CMatrixAEC matrix;
  CMatrixMeanAEC matrixMean;
  CSpotMeanAEC spot;
  EXPECT_FLOAT_EQ(Propose(matrix, narrow), 1000.0f);
  EXPECT_FLOAT_EQ(Propose(matrixMean, narrow), 1000.0f);
  EXPECT_FLOAT_EQ(Propose(spot, small), 1000.0f);
}

TEST(Algorithms, LeaveTheCallersRegionOfInterestIntact) {
  CTestFrame frame(120, 90);
  frame.Fill(0, 0, 120, 45, 200);
  for (const char* className : kAlgorithmClassNames) {
    SCOPED_TRACE(className);
    auto algorithm = CreateAlgorithm(className);
    ASSERT_TRUE(algorithm);
    IplROI roi{2, 10, 20, 30, 40};
    frame.Image().roi = &roi;
    Propose(*algorithm, frame);
    ASSERT_EQ(frame.Image().roi, &roi);
    EXPECT_EQ(roi.coi, 2);
    EXPECT_EQ(roi.xOffset, 10);
    EXPECT_EQ(roi.yOffset, 20);
    EXPECT_EQ(roi.width, 30);
    EXPECT_EQ(roi.height, 40);
    frame.Image().roi = nullptr;
    Propose(*algorithm, frame);
    EXPECT_EQ(frame.Image().roi, nullptr);
  }
}
