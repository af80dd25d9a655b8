#pragma once
// Algorithms that move the exposure a fixed share of the way towards the
// exposure that would bring a measured grey level to DesiredExp.
#include "aec/AutoExposure.h"

namespace AEC {

enum class LevelStatistic { Mean, Median };

class CLevelAEC : public CAutoExposure {
 public:
  void GetProperties(IPropertyHost* host, CPropertyList& list) override;
  bool Load(const TiXmlElement& parent) override;
  bool Save(TiXmlElement& parent) override;

  int m_desiredExp = 128;  // grey level 0..255

 protected:
  explicit CLevelAEC(LevelStatistic statistic) : m_statistic(statistic) {}

  // The measured level of one region: its mean or its median.
  float Level(const CExposureStatistics& statistics) const;
  // The next exposure for a frame taken with `exposure` measuring `level`.
  float Step(float exposure, float level) const;

 private:
  LevelStatistic m_statistic;
};

}  // namespace AEC
