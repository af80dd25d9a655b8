#pragma once
// Base of the exposure algorithms: derives a new exposure time from one frame.
#include <optional>
#include <string>

#include "ipl/IplTypes.h"
#include "platform/ClassFactoryRegistry.h"

class CPropertyList;
class IPropertyHost;
class TiXmlElement;

namespace AEC {

// Levels of channel 1 within one region; under, over and mean are shares of
// the region's pixels, the median is a level.
struct CExposureStatistics {
  float mean;
  float median;
  float under;
  float over;
};

class CAutoExposure : public bx::DynamicObject {
 public:
  // The new exposure time for a frame taken with `exposure`. Base: unchanged.
  virtual float Compute(IplImage& image, int underLevel, int overLevel, float exposure);
  virtual void GetProperties(IPropertyHost* host, CPropertyList& list);
  virtual bool Load(const TiXmlElement& parent);
  virtual bool Save(TiXmlElement& parent);
  virtual std::string GetName() const;
  virtual std::string GetDescription() const;
  virtual void Snapshot();
  virtual void Restore();

  // Statistics of the image's current region of interest; none when the
  // region holds no pixel.
  static std::optional<CExposureStatistics> ComputeStatistics(IplImage& image, int underLevel, int overLevel);
  // GetName without blanks: the XML element of the algorithm.
  std::string GetElementName() const;
};

}  // namespace AEC
