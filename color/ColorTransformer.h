#pragma once
// Turns a grabbed frame into the photo that is saved: optional automatic
// levels, optional denoising, optional edge-aware unsharp masking, then one
// colour matrix (brightness with automatic skin exposure, saturation, red,
// green and blue balance) fused with a contrast curve.
#include "camera/IPropertyHost.h"
#include "color/ColorSettings.h"
#include "pixlib/core/CxImage.h"

#include <tinyxml.h>

class CDenoiser;

class CColorTransformer : public IPropertyHost {
 public:
  CColorTransformer();

  void GetProperties(CPropertyList& list) override;
  // Stores the new value (clamped to the setting's range); always true.
  bool OnPropertyChanged(PropertyId id, const PropertyValue& value) override;
  bool IsPropertyEnabled(PropertyId id) override;

  // Processes source into target, which must be valid with the source's
  // size and channel count (else nothing happens). source may be changed:
  // levels and denoising work on it in place. allowDenoise false (the
  // previews) skips the denoiser.
  void Transform(CxImage& source, CxImage& target, bool allowDenoise);
  // The per-channel levels alone, from source's ROI into target from its
  // ROI origin; a target that is invalid or not of the ROI's size is first
  // created at that size, filled with 0, with alpha only if it had alpha.
  void AutoLevels(CxImage& source, CxImage& target);

  // The "ColorTransformer" element below parent, or at the top of the
  // document when parent is null. Load: false when the document or the
  // element is missing (the settings then stay as they were).
  bool Load(TiXmlDocument* document, TiXmlElement* parent = nullptr);
  bool Save(TiXmlDocument* document, TiXmlElement* parent = nullptr) const;

  CColorSettings m_settings;
  // The denoiser library to call; the process-wide one by default.
  void SetDenoiser(CDenoiser& denoiser) { m_denoiser = &denoiser; }

 private:
  float BrightnessFactor(CxImage& image) const;
  void BuildMatrix(const float (&corrections)[3], float brightness, float* matrix) const;

  CDenoiser* m_denoiser;
};
