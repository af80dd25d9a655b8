#pragma once
// Algorithms measuring the whole frame, whatever its region of interest.
#include "aec/LevelAEC.h"
#include "aec/ThresholdAEC.h"

namespace AEC {

class CGlobalAEC : public CThresholdAEC {
 public:
  float Compute(IplImage& image, int underLevel, int overLevel, float exposure) override;
  std::string GetName() const override { return "Global"; }
};

// Global level algorithm; its DesiredExp is kept and brought back around live mode.
class CGlobalLevelAEC : public CLevelAEC {
 public:
  float Compute(IplImage& image, int underLevel, int overLevel, float exposure) override;
  void Snapshot() override;
  void Restore() override;

 protected:
  using CLevelAEC::CLevelAEC;

 private:
  int m_keptDesiredExp = -1;  // -1: nothing kept
};

class CGlobalMeanAEC : public CGlobalLevelAEC {
 public:
  CGlobalMeanAEC() : CGlobalLevelAEC(LevelStatistic::Mean) {}
  std::string GetName() const override { return "Global Mean"; }
};

class CGlobalMedianAEC : public CGlobalLevelAEC {
 public:
  CGlobalMedianAEC() : CGlobalLevelAEC(LevelStatistic::Median) {}
  std::string GetName() const override { return "Global Median"; }
};

}  // namespace AEC
