#pragma once
// Image header structures and constants of the image-processing interface.
// Layouts follow the published 32-bit-era interface so headers can be shared
// with callers written against it.

#include <cstdint>

extern "C" {

typedef int IPLStatus;

enum : int {
  IPL_DEPTH_SIGN = static_cast<int>(0x80000000u),
  IPL_DEPTH_1U = 1,
  IPL_DEPTH_8U = 8,
  IPL_DEPTH_16U = 16,
  IPL_DEPTH_32F = 32,
  IPL_DEPTH_8S = IPL_DEPTH_SIGN | 8,
  IPL_DEPTH_16S = IPL_DEPTH_SIGN | 16,
  IPL_DEPTH_32S = IPL_DEPTH_SIGN | 32,
};

enum : int { IPL_DATA_ORDER_PIXEL = 0, IPL_DATA_ORDER_PLANE = 1 };
enum : int { IPL_ORIGIN_TL = 0, IPL_ORIGIN_BL = 1 };
enum : int { IPL_ALIGN_4BYTES = 4, IPL_ALIGN_8BYTES = 8, IPL_ALIGN_DWORD = 4, IPL_ALIGN_QWORD = 8 };

// Deallocation masks.
enum : int { IPL_IMAGE_HEADER = 1, IPL_IMAGE_DATA = 2, IPL_IMAGE_ROI = 4, IPL_IMAGE_ALL = 3 | 4 };

// Interpolation codes.
enum : int { IPL_INTER_NN = 0, IPL_INTER_LINEAR = 1, IPL_INTER_CUBIC = 2, IPL_INTER_SUPER = 3 };

// Tile callback modes.
enum : int { IPL_GET_TILE_TO_READ = 1, IPL_GET_TILE_TO_WRITE = 2, IPL_RELEASE_TILE = 4 };

// Compositing operations of iplAlphaComposite.
enum : int {
  IPL_COMPOSITE_OVER = 0,
  IPL_COMPOSITE_IN = 1,
  IPL_COMPOSITE_OUT = 2,
  IPL_COMPOSITE_ATOP = 3,
  IPL_COMPOSITE_XOR = 4,
  IPL_COMPOSITE_PLUS = 5,
};

// How iplConvolve2D combines the results of several kernels.
enum : int { IPL_SUM = 0, IPL_SUMSQ = 1, IPL_SUMSQROOT = 2, IPL_MAX = 3, IPL_MIN = 4 };

// Lookup-table interpolation.
enum : int { IPL_LUT_LOOKUP = 0, IPL_LUT_INTER = 1 };

// Error status codes.
enum : int {
  IPL_StsOk = 0,
  IPL_StsBackTrace = -1,
  IPL_StsError = -2,
  IPL_StsInternal = -3,
  IPL_StsNoMem = -4,
  IPL_StsBadArg = -5,
  IPL_StsBadFunc = -6,
  IPL_StsNoConv = -7,
  IPL_StsAutoTrace = -8,
  IPL_HeaderIsNull = -9,
  IPL_BadImageSize = -10,
  IPL_BadOffset = -11,
  IPL_BadDataPtr = -12,
  IPL_BadStep = -13,
  IPL_BadModelOrChSeq = -14,
  IPL_BadNumChannels = -15,
  IPL_BadNumChannel1U = -16,
  IPL_BadDepth = -17,
  IPL_BadAlphaChannel = -18,
  IPL_BadOrder = -19,
  IPL_BadOrigin = -20,
  IPL_BadAlign = -21,
  IPL_BadCallBack = -22,
  IPL_BadTileSize = -23,
  IPL_BadCOI = -24,
  IPL_BadROISize = -25,
};

typedef struct _IplROI {
  int coi;  // channel of interest: 0 all channels, 1..4 one channel
  int xOffset;
  int yOffset;  // counted in stored row order
  int width;
  int height;
} IplROI;

struct _IplImage;
typedef void (*IplCallBack)(const struct _IplImage* image, int xIndex, int yIndex, int mode);

typedef struct _IplTileInfo {
  IplCallBack callBack;
  void* id;
  char* tileData;
  int width;
  int height;
} IplTileInfo;

typedef struct _IplImage {
  int nSize;  // sizeof(IplImage)
  int ID;
  int nChannels;
  int alphaChannel;  // 1-based channel index of alpha, 0 = none
  int depth;         // IPL_DEPTH_*
  char colorModel[4];
  char channelSeq[4];
  int dataOrder;
  int origin;  // IPL_ORIGIN_TL or IPL_ORIGIN_BL
  int align;   // row alignment in bytes
  int width;
  int height;
  struct _IplROI* roi;
  struct _IplImage* maskROI;
  void* imageId;
  struct _IplTileInfo* tileInfo;
  int imageSize;  // widthStep * height
  char* imageData;
  int widthStep;  // bytes per row
  int BorderMode[4];
  int BorderConst[4];
  char* imageDataOrigin;
} IplImage;

// Lookup table: keys[0..num-1] are interval bounds; values has num-1 entries
// for plain lookup (key[i] <= v < key[i+1] maps to value[i]) and num entries
// for interpolation between neighbouring values.
typedef struct _IplLUT {
  int num;
  int* key;
  int* value;
  int* factor;
  int interpolateType;
} IplLUT;

// 4x4 colour matrix in fixed point: entries are scaled by 2^scalingValue.
typedef struct _IplColorTwist {
  int data[16];
  int scalingValue;
} IplColorTwist;

typedef struct _IplConvKernel {
  int nCols;
  int nRows;
  int anchorX;
  int anchorY;
  int* values;
  int nShiftR;
} IplConvKernel;

typedef IPLStatus (*IPLErrorCallBack)(IPLStatus status, const char* funcName, const char* context,
                                      const char* file, int line);

// Device-independent bitmap header, as DIB producers and consumers lay it out.
#pragma pack(push, 2)
typedef struct tagBITMAPINFOHEADER {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;  // positive: bottom row first; negative: top row first
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
} BITMAPINFOHEADER;
#pragma pack(pop)

typedef struct tagRGBQUAD {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO;

enum : uint32_t { BI_RGB = 0, BI_BITFIELDS = 3 };

}  // extern "C"

static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(IplROI) == 20);
