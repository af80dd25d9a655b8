#pragma once
// Algorithms measuring a 3x3 grid of cells, the centre cell weighing most.
#include "aec/LevelAEC.h"
#include "aec/ThresholdAEC.h"

namespace AEC {

class CMatrixAEC : public CThresholdAEC {
 public:
  float Compute(IplImage& image, int underLevel, int overLevel, float exposure) override;
  std::string GetName() const override { return "Matrix"; }
};

class CMatrixLevelAEC : public CLevelAEC {
 public:
  float Compute(IplImage& image, int underLevel, int overLevel, float exposure) override;

 protected:
  using CLevelAEC::CLevelAEC;
};

class CMatrixMeanAEC : public CMatrixLevelAEC {
 public:
  CMatrixMeanAEC() : CMatrixLevelAEC(LevelStatistic::Mean) {}
  std::string GetName() const override { return "Matrix Mean"; }
};

class CMatrixMedianAEC : public CMatrixLevelAEC {
 public:
  CMatrixMedianAEC() : CMatrixLevelAEC(LevelStatistic::Median) {}
  std::string GetName() const override { return "Matrix Median"; }
};

}  // namespace AEC
