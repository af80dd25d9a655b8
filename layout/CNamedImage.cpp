#include "layout/CNamedImage.h"

bool CopyImage(const CxImage& from, CxImage& to) {
  if (!from.IsValid() || from.Tiled()) {
    to.CleanUp();
    return !from.IsValid();
  }
  return to.Create(static_cast<IplImage*>(from), CF_COPY) != 0;
}

CNamedImage::CNamedImage(const CNamedImage& other) : name(other.name), thumbnailFlag(other.thumbnailFlag) {
  std::lock_guard guard(other.m_imageLock);
  lastLoadResult = other.lastLoadResult;
  CopyImage(other.m_image, m_image);
}

CNamedImage& CNamedImage::operator=(const CNamedImage& other) {
  if (this == &other) return *this;
  std::scoped_lock guard(m_imageLock, other.m_imageLock);
  name = other.name;
  thumbnailFlag = other.thumbnailFlag;
  lastLoadResult = other.lastLoadResult;
  CopyImage(other.m_image, m_image);
  return *this;
}

void CNamedImage::Unload() {
  std::lock_guard guard(m_imageLock);
  m_image.CleanUp();
}
