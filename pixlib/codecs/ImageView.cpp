#include "pixlib/codecs/ImageView.h"

#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/core/CxImage.h"

namespace pixcodec {

namespace {

constexpr int kDefaultDpi = 72;

bool GetStoredRow(void* image, int row, unsigned char* dst) {
  return static_cast<CxImage*>(image)->GetRow(row, dst) != 0;
}

bool PutStoredRow(void* image, int row, const unsigned char* src) {
  return static_cast<CxImage*>(image)->PutRow(row, src) != 0;
}

bool CreateImage(CxImage& image, int width, int height, int channels, bool tiled, NewBits bits) {
  if (!tiled) return CreateCodecImage(image, width, height, channels, bits);
  const bool alpha = channels == 4;
  return image.CreateTiled(width, height, channels, alpha ? 4 : 0, alpha ? "RGBA" : "RGB",
                           alpha ? "BGRA" : "BGR", CxImage::DefaultImageOrigin()) != 0;
}

}  // namespace

PixelView ViewOf(CxImage& image) {
  PixelView view;
  const IplImage* header = image;
  if (header == nullptr) return view;
  if (image.Tiled())
    view.rows = RowAccess{&image, GetStoredRow, PutStoredRow, static_cast<std::size_t>(image.GetRowBytes())};
  view.data = static_cast<unsigned char*>(image.GetBits());
  view.width = image.Width();
  view.height = image.Height();
  view.channels = image.SamplesPerPixel();
  view.step = image.GetRowBytes();
  view.bottomUp = header->origin == IPL_ORIGIN_BL;
  return view;
}

bool CreateCodecImage(CxImage& image, int width, int height, int channels, NewBits bits) {
  const bool alpha = channels == 4;
  const char* model = alpha ? "RGBA" : "RGB";
  const char* order = alpha ? "BGRA" : "BGR";
  const int alphaChannel = alpha ? 4 : 0, origin = CxImage::DefaultImageOrigin();
  if (bits == NewBits::Undefined)
    return image.CreateForOverwrite(width, height, model, order, channels, alphaChannel, origin) != 0;
  return image.Create(width, height, model, order, channels, alphaChannel, origin, IPL_DEPTH_8U) != 0;
}

bool ImageDecodeTarget::Create(const DecodedImageInfo& info, PixelView& view) {
  if (!CreateImage(m_image, info.width, info.height, info.channels, m_tiled, m_bits)) {
    ImgWarning("Error allocating image %d x %d\n", info.width, info.height);
    return false;
  }
  if (info.dpiX > 0 && info.dpiY > 0)
    m_image.Resolution(CSize{info.dpiX, info.dpiY});
  else
    m_image.Resolution(kDefaultDpi);
  m_image.SetFileHasAlpha(info.components == 4 ? 1 : 0);
  view = ViewOf(m_image);
  return view.data != nullptr || view.rows.owner != nullptr;
}

}  // namespace pixcodec
