#pragma once
// Demosaics an 8-bit Bayer frame as if its rows had been mirrored top to bottom,
// reading the raw rows in reverse order: no copy of the frame, rows on all
// cores, 32 pixels a step with AVX2. Gives OpenCV's bilinear demosaic of the
// mirrored frame byte for byte.
#include <cstdint>

#include "pylon/BayerConverter.h"

// input and output as for DemosaicFlipped, input's line pitch at least its
// width. False, with nothing written, when the processor lacks AVX2 or the
// output is not BGR8packed.
bool DemosaicMirroredRows(const Pylon::SInputImageFormat& input, const uint8_t* raw, uint8_t* target,
                          const Pylon::SOutputImageFormat& output);
