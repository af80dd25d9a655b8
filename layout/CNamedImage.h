#pragma once

#include <mutex>
#include <string>

#include "pixlib/core/CxImage.h"

// An image file's name with the image made from it, loaded or composed on
// demand. The image is guarded by the object's own lock; copies carry the
// name, the thumbnail flag and a copy of the image.
class CNamedImage {
 public:
  CNamedImage() = default;
  CNamedImage(const CNamedImage& other);
  CNamedImage& operator=(const CNamedImage& other);
  virtual ~CNamedImage() = default;

  // Releases the pixels; the next request makes them anew.
  void Unload();

  std::string name;
  int thumbnailFlag = 0;   // the make-thumbnail argument of reduced loads
  int lastLoadResult = 0;  // what the last load or composition returned

 protected:
  // Recursive: a composition made under the lock may ask for the image again.
  mutable std::recursive_mutex m_imageLock;
  CxImage m_image;
};

// Copies the pixels of one image into another (emptied when the source is);
// false when the copy cannot be made.
bool CopyImage(const CxImage& from, CxImage& to);
