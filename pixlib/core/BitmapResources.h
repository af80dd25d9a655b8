#pragma once
// Bitmap resources: tables of packed DIBs (header, palette, bits) compiled
// into a module and found by name or number. A module's table is its
// HRESMODULE.

#include "ipl/IplTypes.h"
#include "pixlib/core/Export.h"

#include <cstddef>
#include <span>

struct CBitmapResource {
  const char* name;
  unsigned short id;
  const BITMAPINFOHEADER* dib;  // packed DIB: header, palette, bits
  size_t bytes;                 // size of the packed DIB
};

class PIXLIB_API CResourceModule {
 public:
  explicit CResourceModule(std::span<const CBitmapResource> bitmaps) : m_bitmaps(bitmaps) {}
  // Null when the module has no such bitmap.
  const CBitmapResource* FindBitmap(const char* name) const;
  const CBitmapResource* FindBitmap(unsigned short id) const;

 private:
  std::span<const CBitmapResource> m_bitmaps;
};

// A module handle. Not named HINSTANCE: unixODBC's sqltypes.h declares that as
// void*, and both headers meet in the database code.
typedef const CResourceModule* HRESMODULE;

// The imaging library's own resources.
PIXLIB_API HRESMODULE PixlibResources();

// Number and name of the library's transparency backdrop: a 16x16 grey
// checkerboard drawn behind images with alpha.
enum : unsigned short { IDB_TRANSPARENCY_CHECKER = 101 };
inline constexpr const char* kTransparencyCheckerName = "IDB_TRANSPARENCY_CHECKER";
