#pragma once
// Small integer geometry types of the library interface.

struct CPoint {
  int x = 0;
  int y = 0;
};

struct CSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const CSize&) const = default;
};

// Integer rectangle; which of top and bottom is larger depends on the caller
// (see CxImage::SetROI and CxImage::GetROI).
struct CRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const CRect&) const = default;
};
