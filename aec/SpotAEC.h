#pragma once
// Algorithms measuring the centre cell of a 5x5 grid.
#include "aec/LevelAEC.h"

namespace AEC {

class CSpotLevelAEC : public CLevelAEC {
 public:
  float Compute(IplImage& image, int underLevel, int overLevel, float exposure) override;

 protected:
  using CLevelAEC::CLevelAEC;
};

class CSpotMeanAEC : public CSpotLevelAEC {
 public:
  CSpotMeanAEC() : CSpotLevelAEC(LevelStatistic::Mean) {}
  std::string GetName() const override { return "Spot Mean"; }
};

class CSpotMedianAEC : public CSpotLevelAEC {
 public:
  CSpotMedianAEC() : CSpotLevelAEC(LevelStatistic::Median) {}
  std::string GetName() const override { return "Spot Median"; }
};

}  // namespace AEC
