#pragma once
// A 256-entry lookup table in the IPL form (257 keys 0..256, one value per
// key interval, plain lookup) and the contrast curve that fills one.

#include "ipl/IplTypes.h"
#include "pixlib/core/Export.h"

class PIXLIB_API CLut {
 public:
  // Starts as the identity table.
  CLut();
  CLut(const CLut& other);
  CLut& operator=(const CLut& other);
  virtual ~CLut() = default;

  operator IplLUT*() { return &m_lut; }
  int& operator[](int index) { return m_values[index]; }
  int operator[](int index) const { return m_values[index]; }

 private:
  void Bind();

  int m_keys[257];
  int m_values[256];
  IplLUT m_lut{};
};

// Fills lut->value[0..255] with 255 x f(i / 255): b = 0.5 is the identity,
// larger b steepens the curve around mid-grey (1 is a threshold at 128),
// smaller b flattens it (0 is a constant 127). b is clamped to 0..1; a table
// with fewer than 256 values is left alone.
PIXLIB_API void ContrastLUT(float b, IplLUT* lut);
