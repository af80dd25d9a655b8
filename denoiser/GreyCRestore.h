#pragma once
// The denoiser library's one entry point, called by the colour transformer
// through dlopen.
#include "ipl/IplTypes.h"

extern "C" {
// Smooths the 8-bit colour channels of input anisotropically (along edges,
// not across them) into output, which may be input itself and must have its
// size and channel count; an alpha channel is copied unchanged. amplitude is
// the strength, sharpness the edge preservation, anisotropy the smoothing's
// elongation along edges (0..1), alpha and sigma the scales of the gradient
// and of the structure tensor. The last two arguments are reserved and 0.
// Returns 1 on success and 0 when the images cannot be processed.
__attribute__((visibility("default"))) int GreyCRestore(IplImage* input, IplImage* output, float amplitude,
                                                        float sharpness, float anisotropy, float alpha,
                                                        float sigma, int reserved1, int reserved2);
}
