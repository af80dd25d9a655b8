#pragma once
// Demosaics an 8-bit Bayer frame as if its rows had been mirrored top to bottom
// first, without mirroring the frame. To three channels on a processor with
// AVX2 the raw rows are read in reverse order (MirroredBayerRows.h);
// otherwise bands of rows are demosaiced on all cores, each from a copy of its
// raw rows in reverse order that stays in the cache.
#include <cstdint>

#include "pylon/BayerConverter.h"

// input describes the raw frame as the camera sent it, both line pitches are
// set, and target holds input.Height rows of output.LinePitch bytes. Raises
// what the SDK's Bayer converter raises for a frame it cannot demosaic.
void DemosaicFlipped(const Pylon::SInputImageFormat& input, const uint8_t* raw, uint8_t* target,
                     const Pylon::SOutputImageFormat& output);
