#include "color/ProfileConverter.h"

#include "ipl/Ipl.h"

bool CProfileConverter::Convert(CxImage& source, CxImage& target) {
  if (!source.IsValid() || !target.IsValid() || source.Width() != target.Width() ||
      source.Height() != target.Height() || source.SamplesPerPixel() != target.SamplesPerPixel())
    return false;
  source.SetCOI(0);
  target.SetCOI(0);
  iplCopy(source, target);
  return true;
}
