// Construction, creation, pixel allocation and clean-up.

#include "pixlib/core/CxImage.h"

#include "ipl/Ipl.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

std::atomic<int> CxImage::m_baseId{0};
int CxImage::m_defaultImageOrigin = IPL_ORIGIN_BL;

CxImage::CxImage() : m_id(m_baseId++) {}

CxImage::~CxImage() { CleanUp(); }

void CxImage::CleanUp() {
  ReleaseDC(1);
  m_dibHeader.CleanUp();
  if (m_image) {
    m_image->roi = m_savedRoi;
    delete m_hBitmap;
    delete m_hSection;
    if (m_flags & OWN_ARRAY_DATA) delete[] reinterpret_cast<unsigned char*>(m_image->imageData);
    const int iplMask = m_flags & (OWN_HEADER | OWN_IPL_DATA);
    if (iplMask) iplDeallocate(m_image, iplMask);
  }
  m_image = nullptr;
  m_hBitmap = nullptr;
  m_hSection = nullptr;
  m_savedRoi = nullptr;
  m_flags = 0;
  m_roi = IplROI{};
  CleanUpTiles();
}

// Steps, in order: a bitmap with its own bits; a bitmap over a shared memory
// section; pixels from IPL; a plain byte array when IPL ran out of memory.
int CxImage::AllocateImage(NewBits bits) {
  if ((m_hBitmap = CDibSection::Create(m_dibHeader, nullptr, bits))) {
    m_image->imageData = reinterpret_cast<char*>(m_hBitmap->Bits());
  } else if ((m_hSection = CMemorySection::Create(static_cast<size_t>(m_image->imageSize)))) {
    if ((m_hBitmap = CDibSection::Create(m_dibHeader, m_hSection))) {
      m_image->imageData = reinterpret_cast<char*>(m_hBitmap->Bits());
    } else {
      delete m_hSection;
      m_hSection = nullptr;
    }
  }
  if (!m_hBitmap) {
    iplAllocateImage(m_image, 0, 0);
    if (m_image->imageData) {
      m_flags |= OWN_IPL_DATA;
    } else if (iplGetErrStatus() != IPL_StsOk) {
      iplSetErrStatus(IPL_StsOk);
      m_image->imageData = reinterpret_cast<char*>(new (std::nothrow) unsigned char[m_image->imageSize]);
      if (m_image->imageData) m_flags |= OWN_ARRAY_DATA;
    }
  }
  if (m_image->imageData) return 1;
  CleanUp();
  return 0;
}

int CxImage::CreateHeader(int width, int height, const char* colorModel, const char* channelSeq,
                          int nChannels, int alphaChannel, int origin, int depth) {
  m_roi = IplROI{0, 0, 0, width, height};
  IplImage* image =
      iplCreateImageHeader(nChannels, alphaChannel, depth, colorModel, channelSeq, IPL_DATA_ORDER_PIXEL,
                           origin, IPL_ALIGN_4BYTES, width, height, &m_roi, nullptr, nullptr, nullptr);
  if (!image) return 0;
  m_image = image;
  m_image->ID = m_id;
  m_flags = OWN_HEADER;
  return 1;
}

// COI 0, ROI the whole image, float size from the pixel size.
void CxImage::Finish() {
  m_image->roi = &m_roi;
  m_roi = IplROI{0, 0, 0, m_image->width, m_image->height};
  m_fWidth = static_cast<float>(m_image->width) / static_cast<float>(m_image->height);
  m_fHeight = 1.0f;
}

// The caller's pixels when given, else a bitmap of the image's own; then the fill.
int CxImage::UseOrAllocatePixels(void* data, int fill, unsigned long value) {
  if (data) {
    m_image->imageData = static_cast<char*>(data);
  } else if (!AllocateImage()) {
    return 0;
  }
  Finish();
  if (fill) iplSet(m_image, static_cast<int>(value));
  return 1;
}

int CxImage::Create(int width, int height, int alpha, int fill, unsigned long value, void* data) {
  CleanUp();
  if (width < 1 || height < 1 || width > kMaxCreateSize || height > kMaxCreateSize) return 0;
  const int channels = alpha ? 4 : 3;
  if (!CreateHeader(width, height, alpha ? "RGBA" : "RGB", alpha ? "BGRA" : "BGR", channels, alpha ? 4 : 0,
                    m_defaultImageOrigin, IPL_DEPTH_8U))
    return 0;
  m_dibHeader.Create(m_image);
  return UseOrAllocatePixels(data, fill, value);
}

int CxImage::AllocateNonDib(int depth, int fill, unsigned long value) {
  if (depth == IPL_DEPTH_32F) {
    iplAllocateImageFP(m_image, fill, static_cast<float>(value));
  } else {
    iplAllocateImage(m_image, 0, 0);
    if (m_image->imageData && fill) {
      m_image->roi = nullptr;  // the fill covers every sample
      iplSet(m_image, static_cast<int>(value));
    }
  }
  if (!m_image->imageData) {
    iplSetErrStatus(IPL_StsOk);
    CleanUp();
    return 0;
  }
  m_flags |= OWN_IPL_DATA;
  return 1;
}

// Unlike a bare DIB allocation, a requested fill is honoured on every path,
// so the pixels never start out as anything but what the caller asked for.
int CxImage::Create(int width, int height, const char* colorModel, const char* channelSeq, int nChannels,
                    int alphaChannel, int origin, int depth, int fill, unsigned long value, void* data) {
  CleanUp();
  if (width < 1 || height < 1) return 0;
  if (!CreateHeader(width, height, colorModel, channelSeq, nChannels, alphaChannel, origin, depth)) return 0;
  if (m_dibHeader.Create(m_image)) return UseOrAllocatePixels(data, fill, value);
  if (!AllocateNonDib(depth, fill, value)) return 0;
  Finish();
  return 1;
}

int CxImage::CreateForOverwrite(int width, int height, const char* colorModel, const char* channelSeq,
                                int nChannels, int alphaChannel, int origin) {
  CleanUp();
  if (width < 1 || height < 1 ||
      !CreateHeader(width, height, colorModel, channelSeq, nChannels, alphaChannel, origin, IPL_DEPTH_8U))
    return 0;
  if (!m_dibHeader.Create(m_image))  // no bitmap for this layout: allocated and zeroed elsewhere
    return Create(width, height, colorModel, channelSeq, nChannels, alphaChannel, origin, IPL_DEPTH_8U);
  if (!AllocateImage(NewBits::Undefined)) return 0;
  Finish();
  ZeroRowPadding();
  return 1;
}

void CxImage::ZeroRowPadding() {
  const int used = m_image->width * m_image->nChannels;
  const int padding = m_image->widthStep - used;
  if (padding <= 0) return;
  for (int y = 0; y < m_image->height; ++y) std::memset(GetRowPtr(y) + used, 0, static_cast<size_t>(padding));
}

void CxImage::Adopt(IplImage* image, int flags) {
  m_image = image;
  m_flags = flags;
  m_savedRoi = image->roi;
  if (m_savedRoi) m_roi = *m_savedRoi;
  image->roi = &m_roi;
  image->ID = m_id;
  if (image->nChannels == 4) image->alphaChannel = 4;
  m_dibHeader.Create(image);
  Finish();
}

int CxImage::Create(IplImage* image, CreationFlag how) {
  CleanUp();
  if (!image || !image->imageData || image->tileInfo || image->width < 1 || image->height < 1) return 0;
  if (how != CF_COPY) {
    Adopt(image, how == CF_ATTACH ? OWN_HEADER | OWN_IPL_DATA : 0);
    return 2;
  }
  IplImage* clone = iplCloneImage(image);
  if (!clone) {
    iplSetErrStatus(IPL_StsOk);
    return 0;
  }
  iplDeleteROI(clone->roi);
  clone->roi = nullptr;
  Adopt(clone, OWN_HEADER | OWN_IPL_DATA);
  m_savedRoi = nullptr;
  return 1;
}

int CxImage::CreateFromDib(BITMAPINFOHEADER* header, void* bits, CreationFlag how, bool packed) {
  CleanUp();
  if (!header || header->biWidth < 1 || header->biHeight < 1) return 0;
  if (how == CF_COPY) {
    if (!Create(header->biWidth, header->biHeight, header->biBitCount > 24, 1, 0, nullptr)) return 0;
    iplSetErrStatus(IPL_StsOk);
    if (packed) {
      iplConvertFromDIB(header, m_image);
    } else {
      iplConvertFromDIBSep(header, static_cast<const char*>(bits), m_image);
    }
    // A bitmap that could not be read is a failure, not an empty picture.
    if (iplGetErrStatus() == IPL_StsOk) return 1;
    iplSetErrStatus(IPL_StsOk);
    CleanUp();
    return 0;
  }
  int cloned = 0;
  IplImage* image = ipl::translateDIB(header, static_cast<const char*>(bits), &cloned);
  if (!image) {
    iplSetErrStatus(IPL_StsOk);
    return 0;
  }
  int flags = OWN_HEADER;
  if (cloned) {
    flags |= OWN_IPL_DATA;
  } else if (how == CF_ATTACH) {
    // The block to free is where the caller's allocation starts.
    image->imageDataOrigin = packed ? reinterpret_cast<char*>(header) : image->imageData;
    flags |= OWN_IPL_DATA;
  }
  Adopt(image, flags);
  return cloned ? 1 : 2;
}

int CxImage::Create(BITMAPINFOHEADER* header, void* bits, CreationFlag how) {
  if (!bits) return Create(header, how);
  return CreateFromDib(header, bits, how, false);
}

int CxImage::Create(BITMAPINFOHEADER* header, CreationFlag how) {
  return CreateFromDib(header, nullptr, how, true);
}

// Below 24 bits the bitmap is drawn into the image's device context,
// otherwise converted by IPL; either way the temporary bitmap is deleted.
int CxImage::CreateFromResource(const CBitmapResource* resource) {
  CleanUp();
  if (!resource || !resource->dib) return 0;
  const BITMAPINFOHEADER* dib = resource->dib;
  CDibSection* bitmap = CDibSection::Create(reinterpret_cast<const BITMAPINFO*>(dib));
  if (!bitmap) return 0;
  int ok = 0;
  if (Create(bitmap->Width(), bitmap->Height(), dib->biBitCount > 24, 1, 0, nullptr)) {
    if (dib->biBitCount < 24) {
      CDC* dc = GetDC();
      ok = dc && dc->DrawDib(dib);
      ReleaseDC();
    } else {
      iplSetErrStatus(IPL_StsOk);
      iplConvertFromDIB(const_cast<BITMAPINFOHEADER*>(dib), m_image);
      ok = iplGetErrStatus() == IPL_StsOk;
      iplSetErrStatus(IPL_StsOk);
    }
  }
  delete bitmap;
  if (!ok) CleanUp();
  return ok;
}

int CxImage::Create(const char* resourceName, HRESMODULE module) {
  return CreateFromResource((module ? module : PixlibResources())->FindBitmap(resourceName));
}

int CxImage::Create(unsigned short resourceId, HRESMODULE module) {
  return CreateFromResource((module ? module : PixlibResources())->FindBitmap(resourceId));
}

// Moves other's image and everything describing it into this object, which
// first lets go of its own.
void CxImage::TakeOver(CxImage& other) {
  CleanUp();
  other.ReleaseDC(1);
  m_image = other.m_image;
  m_roi = other.m_roi;
  m_image->roi = &m_roi;
  m_image->ID = m_id;
  m_savedRoi = other.m_savedRoi;
  m_dibHeader = std::move(other.m_dibHeader);
  m_hBitmap = other.m_hBitmap;
  m_hSection = other.m_hSection;
  m_flags = other.m_flags;
  m_fWidth = other.m_fWidth;
  m_fHeight = other.m_fHeight;
  other.m_image = nullptr;
  other.m_hBitmap = nullptr;
  other.m_hSection = nullptr;
  other.m_savedRoi = nullptr;
  other.m_flags = 0;
  other.CleanUp();
}
