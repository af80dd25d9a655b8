#pragma once

#include <cstdint>
#include <string>

#include "layout/CNamedImage.h"
#include "layout/CompositionOptions.h"
#include "layout/IconList.h"

// An image name with the parameters a picture is composed with: the images around
// it, the canvas aspect ratio, placement, crop, zoom, rotation, colour corrections,
// the caption and the icon list. Layouts carry them, and each photo a copy.
// The name is the photo's file; the composition renders them into a picture.
class CProcessedImage : public CNamedImage {
 public:
  static constexpr float kDefaultAspectRatio = 1.37f;
  // Auto-levels has no column: it is stored as SATURATION + 1000.
  static constexpr std::int32_t kAutoLevelsOffset = 1000;

  explicit CProcessedImage(float defaultAspectRatio = kDefaultAspectRatio) { Reset(defaultAspectRatio); }
  virtual ~CProcessedImage() = default;
  CProcessedImage(const CProcessedImage&) = default;
  CProcessedImage& operator=(const CProcessedImage&) = default;

  // Every parameter to its default; the name is kept.
  void Reset(float defaultAspectRatio);
  // Copies every composition parameter of another, none of its identity or name.
  void CopyParameters(const CProcessedImage& other);

  // SATURATION as the tables store it, and the two values read back from it (a stored
  // value above 899 means auto-levels on).
  std::int32_t StoredSaturation() const {
    return params.saturation + (params.autoLevels ? kAutoLevelsOffset : 0);
  }
  void SetStoredSaturation(std::int32_t stored);

  // The icons of the icon list, or the single icon when the list names none.
  CIconParamsList Icons() const;

  // Composes the picture into canvas, its long side `size` pixels: background,
  // photo (cropped, colour-corrected, zoomed, rotated, placed), foreground,
  // icons, caption. loadSize 0 loads every image whole, else reduced to about
  // loadSize. False, with the canvas empty, when no canvas can be made; a layer
  // that cannot be loaded or placed is left out.
  bool Render(int size, CxImage& canvas, int loadSize, const CompositionOptions& options) const;
  // compose: renders into the object's own image (size 0: the photo file's
  // long side, whole loads). Otherwise loads the photo alone when the image is
  // not valid yet. True when the image is valid afterwards.
  bool Prepare(bool compose, int size, const CompositionOptions& options);
  // The composition at that size, made once and kept; copied into out. False
  // (out emptied) when none can be made.
  bool GetComposed(int size, const CompositionOptions& options, CxImage& out);

  struct Parameters {
    std::string fgImageName;
    std::string bgImageName;
    float aspectRatio = kDefaultAspectRatio;
    std::int32_t imageX = 0, imageY = 0;
    std::int32_t zoom = 0;
    std::int32_t rotation = 0;
    std::int32_t cropLeft = -32767, cropTop = -32767, cropRight = 32767, cropBottom = 32767;
    std::int32_t red = 0, green = 0, blue = 0;
    std::int32_t contrast = 0, brightness = 0, saturation = 0;
    bool autoLevels = false;
    std::string iconImageName;
    std::int32_t iconX = 0, iconY = 0, iconZoom = 0, iconRotation = 0;
    std::int32_t textX = 0, textY = 0, textZoom = 0, textRotation = 0;
    std::int32_t fontStyle = 0;
    std::string fontName = "Times New Roman";
    std::string text;
    std::int32_t textAlign = 0, textColor = 0;
    std::int32_t flags = 0;  // not stored; travels with the parameters
    std::string page;        // the icon list
  };
  Parameters params;
};
