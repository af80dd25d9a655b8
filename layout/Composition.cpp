// The rendering of a processed image's parameters into a picture.
#include "layout/CProcessedImage.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "color/ColorTransformer.h"
#include "ipl/Ipl.h"
#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/core/ColorMatrix.h"
#include "pixlib/core/Font.h"
#include "pixlib/core/Lut.h"

namespace {

// Channel modes of the loader: as stored, keeping alpha, always BGRA.
enum LoadMode { kOpaque = 0, kKeepAlpha = 1, kWithAlpha = 2 };

float Thousandths(std::int32_t value) { return static_cast<float>(value) / 1000.0f; }
float Hundredths(std::int32_t value) { return static_cast<float>(value) / 100.0f; }
// 1.02 raised to the zoom step; overflows to infinity or 0 for extreme steps,
// which the placement refuses.
float ZoomScale(std::int32_t step) { return static_cast<float>(std::pow(1.02, step)); }
// A percent change as a matrix factor; below -100 % a factor would turn negative.
float PercentFactor(std::int32_t percent) {
  return std::max(0.0f, 1.0f + static_cast<float>(percent) / 100.0f);
}

bool LoadImage(const std::string& path, LoadMode mode, int loadSize, const CompositionOptions& options,
               CxImage& image, int makeThumbnail) {
  const int profile = options.useEmbeddedProfile ? 1 : 0;
  if (loadSize == 0) return image.Load(path.c_str(), mode, 1, profile, 0, nullptr) != 0 && image.IsValid();
  return image.LoadThumbnail(path.c_str(), mode, makeThumbnail, loadSize, options.forceResize ? 1 : 0,
                             profile, nullptr) != 0 &&
         image.IsValid();
}

// Loads the image of a layer. One that does not load is reported to the
// options' layerLeftOut with the reason: a missing file (not handed to the
// readers, which would only warn that they cannot open it), else the reader's
// own message when it gave one.
bool LoadLayer(const char* layer, const std::string& path, LoadMode mode, int loadSize,
               const CompositionOptions& options, CxImage& image, int makeThumbnail = 1) {
  if (path.empty()) return false;
  std::error_code error;
  std::string reason = "the file does not exist";
  if (std::filesystem::exists(path, error)) {
    ImgClearLastWarning();
    if (LoadImage(path, mode, loadSize, options, image, makeThumbnail)) return true;
    reason = *ImgLastWarning() != '\0' ? ImgLastWarning() : "not an image file the library reads";
  }
  if (options.layerLeftOut) options.layerLeftOut(layer, path, reason);
  return false;
}

void PremultiplyAlpha(CxImage& image) {
  if (!image.HasAlphaChannel()) return;
  image.SetCOI(0);
  iplPreMultiplyAlpha(image, -1);
  iplSetErrStatus(IPL_StsOk);
}

// Draws a layer with alpha through m, then selects the whole canvas again
// (the warp leaves its ROI on the drawn box).
void PlaceOver(CxImage& layer, double m[2][3], CxImage& canvas) {
  layer.WarpOver(m, canvas);
  canvas.SetCOI(0);
}

bool CreateCanvas(int size, float aspectRatio, CxImage& canvas) {
  canvas.CleanUp();
  if (!std::isfinite(aspectRatio) || aspectRatio <= 0.0f || size <= 0) return false;
  double width = size, height = size;
  if (aspectRatio > 1.0f)
    height = std::floor(size / static_cast<double>(aspectRatio) + 0.5);
  else
    width = std::floor(size * static_cast<double>(aspectRatio) + 0.5);
  if (width < 1 || height < 1 || width > CxImage::kMaxCreateSize || height > CxImage::kMaxCreateSize)
    return false;
  return canvas.Create(static_cast<int>(width), static_cast<int>(height), 0, 1, 0) != 0;
}

// The crop rectangle selects the photo's region; an empty rectangle or one the
// photo refuses selects the whole photo.
void SelectCrop(CxImage& photo, const CProcessedImage::Parameters& p) {
  CFRect crop(Thousandths(p.cropLeft), Thousandths(p.cropTop), Thousandths(p.cropRight),
              Thousandths(p.cropBottom));
  crop.Normalize();
  if (crop.Width() <= 0.0f || crop.Height() <= 0.0f || !photo.SetROI(0, crop)) photo.SetCOI(0);
}

// The colour matrix: to luminance and colour differences, the primaries,
// saturation and brightness, and back.
void BuildColourMatrix(const CProcessedImage::Parameters& p, float (&m)[16]) {
  float factor[16];
  Mult4(rgbrgb8, yccrgb, m);
  RedMatrix(PercentFactor(p.red), factor), Concat4(m, factor);
  GreenMatrix(PercentFactor(p.green), factor), Concat4(m, factor);
  BlueMatrix(PercentFactor(p.blue), factor), Concat4(m, factor);
  SaturationMatrix(PercentFactor(p.saturation), factor), Concat4(m, factor);
  BrightnessMatrix(PercentFactor(p.brightness), factor), Concat4(m, factor);
  Concat4(m, rgbycc);
  Concat4(m, rgb8rgb);
}

void DrawPhoto(CxImage& photo, const CProcessedImage::Parameters& p, CxImage& canvas) {
  SelectCrop(photo, p);
  CRect region;
  photo.GetROI(region);
  const int alpha = photo.HasAlphaChannel() ? 1 : 0;
  if (alpha) {
    // Premultiplied over the region only, as the ROI stays selected.
    iplPreMultiplyAlpha(photo, -1);
    iplSetErrStatus(IPL_StsOk);
  }
  CxImage work;
  if (!work.Create(region.right - region.left, region.bottom - region.top, alpha, 1, 0)) return;
  CxImage* colourSource = &photo;
  if (p.autoLevels) {
    CColorTransformer().AutoLevels(photo, work);
    colourSource = &work;
  }
  float matrix[16];
  BuildColourMatrix(p, matrix);
  CLut curve;
  if (p.contrast != 0) ContrastLUT((1.0f + std::clamp(p.contrast, -100, 100) / 100.0f) * 0.5f, curve);
  if (!colourSource->ApplyColorTwist(matrix, work, p.contrast != 0 ? static_cast<IplLUT*>(curve) : nullptr))
    return;
  double m[2][3];
  const float scale = ZoomScale(p.zoom);
  if (!CxImage::TransformMatrix(scale, scale, Hundredths(p.rotation), Thousandths(p.imageX),
                                Thousandths(p.imageY), m))
    return;
  if (alpha)
    PlaceOver(work, m, canvas);
  else
    work.Warp(m, canvas);
}

void DrawIcon(const CIconParams& icon, int number, int loadSize, const CompositionOptions& options,
              CxImage& canvas) {
  CxImage image;
  const std::string layer = "icon " + std::to_string(number);
  if (!LoadLayer(layer.c_str(), icon.name, kWithAlpha, loadSize, options, image)) return;
  PremultiplyAlpha(image);
  const float scale = ZoomScale(icon.zoom);
  double m[2][3];
  if (!CxImage::TransformMatrix(scale, scale, Hundredths(icon.rotation), Thousandths(icon.x),
                                Thousandths(icon.y), m))
    return;
  PlaceOver(image, m, canvas);
}

void DrawCaption(const CProcessedImage::Parameters& p, const CompositionOptions& options, CxImage& canvas) {
  CDC* dc = canvas.GetDC();
  if (dc == nullptr) return;
  CFont font;
  if (canvas.CreateFont(p.fontName.c_str(), ZoomScale(p.textZoom), Hundredths(p.textRotation), p.fontStyle,
                        font)) {
    dc->SetTextColor(static_cast<COLORREF>(p.textColor));
    dc->SetBkMode(TRANSPARENT);
    dc->IntersectClipRect(0, 0, canvas.Width(), canvas.Height());
    const std::time_t now = options.clock ? options.clock() : std::time(nullptr);
    canvas.DrawText(FormatCaption(p.text, now), Thousandths(p.textX), Thousandths(p.textY), font, p.textAlign,
                    -1);
  }
  canvas.ReleaseDC(0);
}

}  // namespace

bool CProcessedImage::Render(int size, CxImage& canvas, int loadSize,
                             const CompositionOptions& options) const {
  if (!CreateCanvas(size, params.aspectRatio, canvas)) return false;
  CxImage background;
  if (LoadLayer("background", params.bgImageName, kOpaque, loadSize, options, background)) {
    background.SetCOI(0);
    background.Warp(canvas);
  } else {
    canvas.Set(255);
  }
  {
    CxImage photo;
    const bool valid = name.empty() ? photo.Create(75, 50, 0, 1, 192) != 0
                                    : LoadLayer("photo", name, kKeepAlpha, loadSize, options, photo);
    if (valid) DrawPhoto(photo, params, canvas);
  }
  CxImage foreground;
  if (LoadLayer("foreground", params.fgImageName, kWithAlpha, loadSize, options, foreground)) {
    PremultiplyAlpha(foreground);
    foreground.WarpOver(canvas);
  }
  canvas.SetCOI(0);
  int number = 0;
  for (const CIconParams& icon : Icons()) DrawIcon(icon, ++number, loadSize, options, canvas);
  if (!params.text.empty()) DrawCaption(params, options, canvas);
  canvas.SetCOI(0);
  return true;
}

bool CProcessedImage::Prepare(bool compose, int size, const CompositionOptions& options) {
  std::lock_guard guard(m_imageLock);
  if (compose) {
    int canvasSize = size;
    if (size == 0) {
      int width = 0, height = 0;
      if (!name.empty() && GetFileType(name.c_str(), width, height, nullptr) != IMG_TYPE_UNKNOWN)
        canvasSize = std::max(width, height);
    }
    lastLoadResult = Render(canvasSize, m_image, size, options) ? 1 : 0;
  } else if (!m_image.IsValid()) {
    lastLoadResult = LoadLayer("photo", name, kKeepAlpha, size, options, m_image, thumbnailFlag) ? 1 : 0;
  }
  return m_image.IsValid();
}

bool CProcessedImage::GetComposed(int size, const CompositionOptions& options, CxImage& out) {
  std::lock_guard guard(m_imageLock);
  if (!m_image.IsValid()) Prepare(true, size, options);
  if (!m_image.IsValid()) {
    out.CleanUp();
    return false;
  }
  return CopyImage(m_image, out);
}
