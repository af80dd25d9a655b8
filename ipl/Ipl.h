#pragma once
// The image-processing operations, under their published names. Every
// operation honours the region of interest (ROI) and channel of interest
// (COI) of its images and reports failures through the error status
// (iplGetErrStatus) and the installed error handler; none throws.

#include "ipl/IplTypes.h"

extern "C" {

// Headers, memory and regions
IplImage* iplCreateImageHeader(int nChannels, int alphaChannel, int depth, const char* colorModel,
                               const char* channelSeq, int dataOrder, int origin, int align, int width,
                               int height, IplROI* roi, IplImage* maskROI, void* imageId,
                               IplTileInfo* tileInfo);
void iplAllocateImage(IplImage* image, int doFill, int fillValue);
void iplAllocateImageFP(IplImage* image, int doFill, float fillValue);
void iplDeallocateHeader(IplImage* image);
void iplDeallocateImage(IplImage* image);
void iplDeallocate(IplImage* image, int flag);
IplImage* iplCloneImage(const IplImage* image);
IplROI* iplCreateROI(int coi, int xOffset, int yOffset, int width, int height);
void iplSetROI(IplROI* roi, int coi, int xOffset, int yOffset, int width, int height);
void iplDeleteROI(IplROI* roi);

// Bitmaps
IplImage* iplTranslateDIB(BITMAPINFOHEADER* dib, int* cloneData);
void iplConvertFromDIB(BITMAPINFOHEADER* dib, IplImage* image);
void iplConvertFromDIBSep(BITMAPINFOHEADER* dib, const char* dibData, IplImage* image);

// Copy and fill
void iplCopy(IplImage* src, IplImage* dst);
void iplSet(IplImage* image, int fillValue);
void iplSetFP(IplImage* image, float fillValue);

// Scaling: the source ROI scaled by xDst/xSrc across and yDst/ySrc down
void iplDecimate(IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate);
void iplZoom(IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate);
void iplResize(IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate);

// Geometry
void iplMirror(IplImage* src, IplImage* dst, int flipAxis);
void iplRotate(IplImage* src, IplImage* dst, double angle, double xShift, double yShift, int interpolate);
void iplWarpAffine(IplImage* src, IplImage* dst, const double coeffs[2][3], int interpolate);
void iplGetAffineBound(IplImage* image, const double coeffs[2][3], double rect[2][2]);

// Compositing
void iplAlphaComposite(IplImage* srcA, IplImage* srcB, IplImage* dst, int compositeType, IplImage* alphaA,
                       IplImage* alphaB, IplImage* alphaDst, int premulAlpha, int divideMode);
void iplPreMultiplyAlpha(IplImage* image, int alphaValue);

// Colour
IplColorTwist* iplCreateColorTwist(int data[16], int scalingValue);
void iplApplyColorTwist(IplImage* src, IplImage* dst, IplColorTwist* twist, int offset);
void iplDeleteColorTwist(IplColorTwist* twist);
void iplContrastStretch(IplImage* src, IplImage* dst, IplLUT** luts);
void iplComputeHisto(IplImage* src, IplLUT** luts);
void iplRGB2YCrCb(IplImage* rgb, IplImage* yCrCb);
void iplYCrCb2RGB(IplImage* yCrCb, IplImage* rgb);

// Filters and arithmetic
void iplBlur(IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY);
IplConvKernel* iplCreateConvKernel(int nCols, int nRows, int anchorX, int anchorY, int* values, int nShiftR);
void iplDeleteConvKernel(IplConvKernel* kernel);
void iplConvolve2D(IplImage* src, IplImage* dst, IplConvKernel** kernels, int nKernels, int combineMethod);
void iplConvolveSep2D(IplImage* src, IplImage* dst, IplConvKernel* xKernel, IplConvKernel* yKernel);
void iplSubtract(IplImage* srcA, IplImage* srcB, IplImage* dst);
double iplSpatialMoment(IplImage* image, int mOrd, int nOrd);

// Error status
IPLErrorCallBack iplRedirectError(IPLErrorCallBack handler);
IPLStatus iplGetErrStatus(void);
void iplSetErrStatus(IPLStatus status);
void iplError(IPLStatus status, const char* funcName, const char* context, const char* file, int line);

}  // extern "C"

namespace ipl {
// iplTranslateDIB for a DIB whose bits are stored apart from its header (bits
// null: the bits follow the header and palette).
IplImage* translateDIB(BITMAPINFOHEADER* dib, const char* bits, int* cloneData);
}  // namespace ipl
