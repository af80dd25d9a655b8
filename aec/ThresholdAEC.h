#pragma once
// Algorithms that step the exposure by a fixed percentage when too many
// pixels are under- or overexposed.
#include "aec/AutoExposure.h"

namespace AEC {

class CThresholdAEC : public CAutoExposure {
 public:
  void GetProperties(IPropertyHost* host, CPropertyList& list) override;
  bool Load(const TiXmlElement& parent) override;
  bool Save(TiXmlElement& parent) override;

  int m_upStep = 10;     // % of the exposure added when underexposed
  int m_downStep = 10;   // % of the exposure removed when overexposed
  int m_underThrs = 20;  // % of underexposed pixels that make a frame underexposed
  int m_overThrs = 20;   // % of overexposed pixels that make a frame overexposed

 protected:
  // The stepped exposure for `under` and `over` percent of under- and
  // overexposed pixels; when both thresholds are passed the increase wins.
  float Step(float exposure, float under, float over) const;
};

}  // namespace AEC
