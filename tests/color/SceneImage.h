#pragma once
// Test pictures for the colour stages: the simulated cameras' scene (colour
// patches, a portrait with skin, grey steps) and simple synthetic images.
#include "pixlib/core/CxImage.h"

#include <functional>

// The simulated scene at the nominal exposure, BGR, stored rows top down.
void RenderScene(CxImage& image, int width, int height);

// The pixel rectangle of a named scene patch ("skin", "grey", ...).
struct SPixelRect {
  int x, y, width, height;
};
SPixelRect ScenePatch(const char* name, int width, int height);

// Sets every pixel from (x, y) -> B, G, R.
void FillPixels(CxImage& image, const std::function<void(int x, int y, unsigned char* bgr)>& pixel);

// Mean of one channel over a rectangle.
double MeanOf(const CxImage& image, const SPixelRect& rect, int channel);
