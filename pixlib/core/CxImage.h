#pragma once
// The library's image object: an IPL image header with its ownership, a
// private region of interest, a bitmap over the same pixels for drawing and
// display, a print resolution, a target colour profile name and a float
// size (height 1.0, width = aspect ratio) used by geometric operations.
// No operation throws; results are reported by return value.

#include "ipl/IplTypes.h"
#include "pixlib/core/AffineTransform.h"
#include "pixlib/core/BitmapResources.h"
#include "pixlib/core/DeviceContext.h"
#include "pixlib/core/DibHeader.h"
#include "pixlib/core/DibSection.h"
#include "pixlib/core/Export.h"
#include "pixlib/core/FGeometry.h"
#include "pixlib/core/SwapFile.h"
#include "pixlib/core/TileEngine.h"
#include "pixlib/core/WinTypes.h"

#include <atomic>
#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>

// How a Create overload treats the caller's header or pixels.
enum CreationFlag { CF_REFERENCE = 0, CF_COPY = 1, CF_ATTACH = 2 };

class PIXLIB_API CxImage {
 public:
  // Ownership mask bits (m_flags).
  enum : int { OWN_HEADER = 1, OWN_IPL_DATA = 2, OWN_ARRAY_DATA = 32 };
  static constexpr int kMaxCreateSize = 32768;

  CxImage();
  virtual ~CxImage();
  CxImage(const CxImage&) = delete;
  CxImage& operator=(const CxImage&) = delete;

  void CleanUp();
  int IsValid() const { return m_image != nullptr; }

  // Creation: 0 on failure; overloads taking existing pixels return 1 when
  // the object owns a copy and 2 when it refers to the caller's pixels.
  int Create(int width, int height, int alpha = 0, int fill = 0, unsigned long value = 0,
             void* data = nullptr);
  int Create(int width, int height, const char* colorModel, const char* channelSeq, int nChannels,
             int alphaChannel, int origin, int depth, int fill = 0, unsigned long value = 0,
             void* data = nullptr);
  // Like Create at 8 bits a sample, with pixels left as the allocator gives
  // them (only the rows' padding is zeroed): for decoders that write every
  // row, and that clear what they could not decode.
  int CreateForOverwrite(int width, int height, const char* colorModel, const char* channelSeq, int nChannels,
                         int alphaChannel, int origin);
  int Create(IplImage* image, CreationFlag how);
  // Bits of a DIB; the DIB must be bottom-up. With CF_ATTACH the object frees
  // the bits (the whole packed block for the overload without bits) with
  // free(), so they must come from malloc().
  int Create(BITMAPINFOHEADER* header, void* bits, CreationFlag how);
  int Create(BITMAPINFOHEADER* header, CreationFlag how);
  // Bitmap resources of a module (the library's own when module is null).
  int Create(const char* resourceName, HRESMODULE module = nullptr);
  int Create(unsigned short resourceId, HRESMODULE module = nullptr);

  // Access
  operator IplImage*() const { return m_image; }
  operator HBITMAP() const { return m_hBitmap; }
  void* GetBits() const { return m_image ? m_image->imageData : nullptr; }
  BITMAPINFO* GetBitmap() { return m_dibHeader; }
  int Width() const { return m_image ? m_image->width : 0; }
  int Height() const { return m_image ? m_image->height : 0; }
  float FWidth() const { return m_image ? m_fWidth : 0.0f; }
  float FHeight() const { return m_image ? m_fHeight : 0.0f; }
  int BitsPerSample() const { return m_image ? m_image->depth : 0; }
  int SamplesPerPixel() const { return m_image ? m_image->nChannels : 0; }
  int HasAlphaChannel() const { return m_image ? m_image->alphaChannel : 0; }
  int FileHasAlpha() const { return m_fileHasAlpha; }
  void SetFileHasAlpha(int hasAlpha) { m_fileHasAlpha = hasAlpha; }  // for loaders
  // The row step; for a tiled image tiles across x tile width x channels.
  int GetRowBytes() const;
  int PixelStride() const { return m_image ? m_image->widthStep / m_image->width : -1; }
  int Id() const { return m_id; }
  int OwnershipFlags() const { return m_flags; }

  // Row y's start (null when empty or tiled); no range check.
  unsigned char* GetRowPtr(int y) const;
  // Copy GetRowBytes() bytes of row y out or in, through the tiles of a tiled
  // image; 0 when y is outside the image (or a tile cannot be had).
  int GetRow(int y, unsigned char* dst) const;
  int PutRow(int y, const unsigned char* src);
  // Sets every sample within ROI and COI.
  int Set(int value);

  CSize Resolution() const { return m_resolution; }
  void Resolution(int dpi) { m_resolution = CSize{dpi, dpi}; }
  void Resolution(CSize dpi) { m_resolution = dpi; }
  void SetTargetProfile(const char* name) { m_targetProfile = name ? name : ""; }
  const std::string& GetTargetProfile() const { return m_targetProfile; }

  // Region and channel of interest.
  int SetROI(int coi, int x, int y, int w, int h);
  int SetROI(int coi, const CRect& r);   // top above bottom (y upwards)
  int SetROI(int coi, const CFRect& r);  // float rectangle about the image centre
  void GetROI(CRect& r) const;           // left/top = offsets, right/bottom = offset + size
  int SetCOI(int coi);                   // also resets the ROI to the whole image

  // Whole-image operations
  int Resize(CxImage& dst, int interpolation);
  int Rotate90(int degrees);
  int Rotate90(CxImage& dst, int degrees);
  int Mirror(int axis);
  int Copy(CFRect src, CFRect dst, CxImage& target);
  int Copy(CFRect src, CFPoint at, float scale, CxImage& target);
  float CalcScale(const CxImage& other) const;

  // Colour: applies the 4x4 matrix m (see ColorMatrix.h) from this image's
  // ROI into the target's, then, when lut is given, the table to the
  // target's colour channels. The matrix goes through 24-bit fixed point;
  // 0 when an entry is NaN or the images do not fit each other.
  int ApplyColorTwist(const float* m, CxImage& target, IplLUT* lut = nullptr);
  // Affine placement in float units (pixlib/core/CxImageWarp.cpp). Angles are
  // in radians; non-finite input is refused (0), and so is a matrix that
  // cannot be inverted.
  static int TransformMatrix(float sx, float sy, float angle, float tx, float ty, double m[2][3]);
  int GetTransformBoundsRect(float sx, float sy, float angle, CFRect& out) const;
  int Warp(CxImage& target);
  int WarpOver(CxImage& target);
  // Both rewrite m into the pixel matrix they used.
  int Warp(double m[2][3], CxImage& target);
  int WarpOver(double m[2][3], CxImage& target);
  int Zoom(CFRect r, float scale, CxImage& target);

  // Text on the image's device context (pixlib/core/CxImageText.cpp). Text
  // is UTF-8 (Latin-1 bytes are accepted); sizes are in image heights and
  // angles in radians. style: bit 0 bold, bit 1 italic, bit 2 underline.
  int CreateFont(const char* faceName, float size, float angle, int style, CFont& font) const;
  // (x, y) is the block's centre from the image centre in image heights, y
  // upwards; align 0 left, 1 centred, 2 right; caret a character index or -1.
  // Colours and background mode are the device context's (GetDC).
  int DrawText(const std::string& text, float x, float y, CFont& font, int align, int caret);
  // The rotated text block's bounds in pixels, top the largest y.
  int GetTextBoundsRect(const std::string& text, CFont& font, CFRect& out);

  // Display on a device context (pixlib/core/CxImageDisplay.cpp). Source
  // coordinates count stored rows, as the DIB's; the source rectangle is
  // cut to the image and the destination in proportion. The raster
  // operation reaches only printers. StretchBits with `resample` scales
  // with cubic interpolation here and hands the device an unscaled bitmap.
  int SetBits(CDC* dc, int xDst, int yDst, int width, int height, int xSrc, int ySrc, unsigned long rop);
  int StretchBits(CDC* dc, int xDst, int yDst, int wDst, int hDst, int xSrc, int ySrc, int wSrc, int hSrc,
                  unsigned long rop, int resample);

  // Tiled images: the pixels live in a swap file and are reached through the
  // tile engine's cache (TileEngine.h), by rows or by the IPL tile callback.
  // CreateTiled is 0 when the swap file cannot be made or the disk has no
  // room for the image.
  int CreateTiled(int width, int height, int nChannels, int alphaChannel, const char* colorModel,
                  const char* channelSeq, int origin);
  // Tile (x, y) of the swap file, tile size x 4 bytes: ReadTile is 1 only
  // when all were read (the rest reads as 0), WriteTile 1 when all were written.
  int ReadTile(int x, int y, unsigned char* buffer);
  int WriteTile(int x, int y, const unsigned char* buffer);
  CSize NumTiles() const { return m_numTiles; }  // tiles across and down
  int Tiled() const { return m_tiled; }
  // Non-zero once a tile could not be written to or read from the swap file:
  // the pixels are no longer whole, and row access fails.
  int TileError() const { return m_tileError; }

  // The memory device context over the pixels; calls nest.
  CDC* GetDC();
  void ReleaseDC(int force = 0);

  // Files: load and save dispatch, thumbnails (pixlib/codecs).
  int Load(const char* path, int channelMode, int reduction, int convertProfile, int tiled,
           unsigned char* key);
  int LoadWithPreferredSize(const char* path, int channelMode, int preferredSize, int convertProfile,
                            int tiled, unsigned char* key);
  int LoadThumbnail(const char* path, int channelMode, int makeThumbnail, int size, int fit,
                    int convertProfile, unsigned char* key);
  int Save(const char* path, short type, int keepAlpha, int quality, unsigned char* key,
           int preferSystemEncoder);
  // The library key that opens protected files; null clears it.
  static void SetCryptoKey(unsigned char* key);
  static unsigned char m_cryptoKey[8];
  static int m_cryptoKeyValid;

  static int DefaultImageOrigin() { return m_defaultImageOrigin; }
  static void DefaultImageOrigin(int origin) { m_defaultImageOrigin = origin; }

  static std::atomic<int> m_baseId;
  static int m_defaultImageOrigin;
  static int m_paletteDevice;

 protected:
  int AllocateImage(NewBits bits = NewBits::Zeroed);
  // Selects the font into dc with left/top alignment and measures the text
  // block: lines split at CR, LF or CRLF, each line's width when lineWidths
  // is given (one entry per line), the line height |font height| and the
  // font's angle in radians.
  static void CalcTextParams(CDC* dc, const std::string& text, CFont& font, int& maxWidth, int& totalHeight,
                             int* lineWidths, int& lineHeight, float& angle);
  static int PaletteDevice();

 private:
  int CreateHeader(int width, int height, const char* colorModel, const char* channelSeq, int nChannels,
                   int alphaChannel, int origin, int depth);
  int UseOrAllocatePixels(void* data, int fill, unsigned long value);
  int AllocateNonDib(int depth, int fill, unsigned long value);
  int CreateFromDib(BITMAPINFOHEADER* header, void* bits, CreationFlag how, bool packed);
  int CreateFromResource(const CBitmapResource* resource);
  void Adopt(IplImage* image, int flags);
  void Finish();
  void ZeroRowPadding();
  void TakeOver(CxImage& other);
  void CleanUpTiles();
  // Whole-image operations go through IPL, which cannot reach the pixels of
  // a tiled image: they refuse those.
  bool InMemory() const { return m_image != nullptr && !m_tiled; }
  std::uint64_t TileOffset(int x, int y) const;
  int CopyRegion(CFRect src, CFRect dst, CxImage& target, bool roundSizes);
  int CompositeOver(CxImage& layer, CxImage& target);
  CxImage* WithAlpha(CxImage& opaque);

  IplImage* m_image = nullptr;
  CDC* m_dc = nullptr;
  IplROI m_roi{};
  IplROI* m_savedRoi = nullptr;
  int m_dcRefs = 0;
  int m_fileHasAlpha = 0;
  CSize m_resolution{72, 72};
  CDibHeader m_dibHeader;
  HBITMAP m_hBitmap = nullptr;
  HANDLE m_hSection = nullptr;
  int m_id = 0;
  int m_flags = 0;
  float m_fWidth = 0.0f;
  float m_fHeight = 0.0f;
  std::string m_targetProfile;

  friend class CTileEngine;
  CSwapFile m_swapFile;
  IplTileInfo m_tileInfo{};
  std::unordered_map<int, std::list<CTile>::iterator> m_tiles;
  CSize m_numTiles{};
  int m_tiled = 0;
  int m_tileError = 0;
  std::size_t m_tileBytes = 0;  // bytes of one tile in memory and in the swap file
};
