#pragma once

#include <tiffio.h>

namespace pixcodec {

// The tags that decide whether and how a TIFF image is read.
struct TiffLayout {
  int width = 0;
  int height = 0;
  int bitsPerSample = 0;
  int samplesPerPixel = 0;
  int photometric = 0;
  bool photometricAssumed = false;  // the tag is missing; taken from the sample count
  int compression = 0;
  int orientation = ORIENTATION_TOPLEFT;
  bool associatedAlpha = false;  // the fourth sample is premultiplied (ExtraSamples 1)
  bool tiled = false;
  int dpiX = 0;  // 0: not stated
  int dpiY = 0;

  bool FileHasAlpha() const { return photometric == PHOTOMETRIC_RGB && samplesPerPixel == 4; }
  // Rows run from the bottom of the picture up; pixels from right to left.
  // Both false for the transposed orientations, whose rows are read as
  // stored and then turned.
  bool BottomFirst() const;
  bool RightToLeft() const;
  // Orientations 5 to 8: the stored rows are the picture's columns.
  bool Transposed() const { return orientation >= ORIENTATION_LEFTTOP && orientation <= ORIENTATION_LEFTBOT; }
  // 8- or 16-bit contiguous RGB(A) strips, read without libtiff's RGBA
  // reader (which would premultiply an unassociated alpha).
  bool DirectRgb() const;
};

// Reads and checks the tags of the current directory. Null on success, else
// the message to report.
const char* ReadTiffLayout(TIFF* tiff, TiffLayout& layout);

}  // namespace pixcodec
