#pragma once
// Pixel-conversion primitives of the camera path, under their published
// names, with their published pixel arrangements. Each takes source and
// target pointers with row steps in bytes and a region size.

#include <cstdint>

extern "C" {

typedef uint8_t Ipp8u;
typedef int IppStatus;
typedef struct {
  int width;
  int height;
} IppiSize;
typedef enum { ippAxsHorizontal = 0, ippAxsVertical = 1, ippAxsBoth = 2 } IppiAxis;

enum : int {
  ippStsNoErr = 0,
  ippStsBadArgErr = -5,
  ippStsSizeErr = -6,
  ippStsNullPtrErr = -8,
  ippStsStepErr = -14
};

// Packed 4:2:2 Cb Y0 Cr Y1 (video range) to R G B.
IppStatus ippiCbYCr422ToRGB_8u_C2C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
// Packed 4:2:2 Cb Y0 Cr Y1 to B G R A with A = aval.
IppStatus ippiCbYCr422ToBGR_8u_C2C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi,
                                     Ipp8u aval);
// Pixel-order Y U V to R G B (analogue YUV weights).
IppStatus ippiYUVToRGB_8u_C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
// The same on four-channel pixels; the fourth channel of dst is not written.
IppStatus ippiYUVToRGB_8u_AC4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
// Reorders the channels in place: new channel i = old channel dstOrder[i].
IppStatus ippiSwapChannels_8u_C3IR(Ipp8u* srcDst, int step, IppiSize roi, const int dstOrder[3]);
// One plane into one channel of a 3- or 4-channel image: dst points at that
// channel of the first pixel; the other channels are not written.
IppStatus ippiCopy_8u_C1C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
IppStatus ippiCopy_8u_C1C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
// The first three channels of four-channel pixels into three-channel pixels.
IppStatus ippiCopy_8u_AC4C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
IppStatus ippiMirror_8u_C1IR(Ipp8u* srcDst, int step, IppiSize roi, IppiAxis flip);

}  // extern "C"
