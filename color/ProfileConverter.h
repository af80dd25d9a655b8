#pragma once
// The colour chain's profile stage. Profiles of loaded images are converted
// by the imaging library, so this stage passes pixels through.
#include "pixlib/core/CxImage.h"

class CProfileConverter {
 public:
  virtual ~CProfileConverter() = default;
  // Copies source into target; both must exist with the same size and
  // channel count, else nothing is copied and false is returned.
  virtual bool Convert(CxImage& source, CxImage& target);
};
