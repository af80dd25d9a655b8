#include "pixlib/codecs/tiff/TiffLayout.h"

#include <cmath>
#include <cstdint>

namespace pixcodec {

namespace {

constexpr const char* kCannotHandle = "Sorry, can not handle this image";

int Dpi(float resolution, int unit) {
  if (!(resolution > 0) || unit == RESUNIT_NONE) return 0;
  const double dpi = unit == RESUNIT_CENTIMETER ? resolution * 2.54 : resolution;
  return dpi < 1e6 ? static_cast<int>(std::lround(dpi)) : 0;
}

const char* CheckPhotometric(TIFF* tiff, TiffLayout& l) {
  std::uint16_t photometric = 0;
  if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) {
    if (l.samplesPerPixel == 1)
      photometric = PHOTOMETRIC_MINISBLACK;
    else if (l.samplesPerPixel == 3 || l.samplesPerPixel == 4)
      photometric = PHOTOMETRIC_RGB;
    else
      return "Missing needed \"PhotometricInterpretation\" tag";
    l.photometricAssumed = true;
  }
  l.photometric = photometric;
  switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_PALETTE:
    case PHOTOMETRIC_YCBCR:
      return nullptr;
    case PHOTOMETRIC_SEPARATED: {
      std::uint16_t inkSet = INKSET_CMYK;
      TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkSet);
      return inkSet == INKSET_CMYK ? nullptr : "Sorry, can not handle non CMYK separated images";
    }
    default:
      return kCannotHandle;
  }
}

}  // namespace

bool TiffLayout::BottomFirst() const {
  return orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT;
}

bool TiffLayout::RightToLeft() const {
  return orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT;
}

bool TiffLayout::DirectRgb() const {
  return photometric == PHOTOMETRIC_RGB && (samplesPerPixel == 3 || samplesPerPixel == 4) &&
         (bitsPerSample == 8 || bitsPerSample == 16) && !tiled;
}

const char* ReadTiffLayout(TIFF* tiff, TiffLayout& l) {
  l = TiffLayout{};
  std::uint32_t width = 0, height = 0;
  std::uint16_t bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
  std::uint16_t compression = COMPRESSION_NONE, orientation = ORIENTATION_TOPLEFT, unit = RESUNIT_INCH;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return kCannotHandle;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return kCannotHandle;
  if (format != SAMPLEFORMAT_UINT) return kCannotHandle;
  if (planar != PLANARCONFIG_CONTIG) return "Sorry, can not handle bit plane images";
  l.width = static_cast<int>(width);
  l.height = static_cast<int>(height);
  l.bitsPerSample = bits;
  l.samplesPerPixel = samples;
  l.compression = compression;
  l.orientation = orientation;
  l.tiled = TIFFIsTiled(tiff) != 0;
  std::uint16_t extraCount = 0, *extra = nullptr;
  l.associatedAlpha = TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 &&
                      extra[0] == EXTRASAMPLE_ASSOCALPHA;
  float x = 0, y = 0;
  if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y)) {
    l.dpiX = Dpi(x, unit);
    l.dpiY = Dpi(y, unit);
  }
  return CheckPhotometric(tiff, l);
}

}  // namespace pixcodec
