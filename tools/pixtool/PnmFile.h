#pragma once
// Portable anymap (binary P5 grey, P6 colour) and raw pixel files, read into
// and written from CxImage.

#include "pixlib/core/CxImage.h"

#include <string>

struct PnmInfo {
  char kind = 0;  // '5' or '6'
  int width = 0;
  int height = 0;
  int maxValue = 0;
};

// Reads the header; false when the file is no binary 8-bit PNM.
bool ReadPnmInfo(const std::string& path, PnmInfo& info, std::string& error);
bool LoadPnm(const std::string& path, CxImage& image, std::string& error);
// Raw samples, rows top first without padding, channels in B, G, R(, A) order.
bool LoadRaw(const std::string& path, int width, int height, int channels, CxImage& image,
             std::string& error);
// Grey images as P5, others as P6 (alpha dropped).
bool WritePnm(const std::string& path, const CxImage& image, std::string& error);
