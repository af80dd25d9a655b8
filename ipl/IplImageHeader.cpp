// Header creation, pixel memory and ROI objects.

#include "ipl/IplHeaderOver.h"
#include "ipl/IplMatView.h"
#include "ipl/PixelBlockCache.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {

int bytesPerSample(int depth) { return (depth & ~IPL_DEPTH_SIGN) / 8; }

void copyTag(char (&tag)[4], const char* text) {
  // Tags are four characters, not necessarily terminated.
  std::memset(tag, 0, sizeof tag);
  if (text) std::memcpy(tag, text, std::min(std::strlen(text), sizeof tag));
}

bool validLayout(int nChannels, int alphaChannel, int depth, int align, int width, int height,
                 const char* func) {
  if (nChannels < 1 || nChannels > 4) return ipl::fail(func, IPL_BadNumChannels, "channels");
  if (alphaChannel < 0 || alphaChannel > nChannels)
    return ipl::fail(func, IPL_BadAlphaChannel, "alpha channel index");
  if (ipl::cvDepthOf(depth) < 0) return ipl::fail(func, IPL_BadDepth, "depth");
  if (align != IPL_ALIGN_4BYTES && align != IPL_ALIGN_8BYTES)
    return ipl::fail(func, IPL_BadAlign, "alignment");
  if (width < 1 || height < 1) return ipl::fail(func, IPL_BadImageSize, "size");
  return true;
}

// Row step rounded up to the alignment; 0 when the image would not fit the
// 32-bit size fields.
int alignedStep(int width, int nChannels, int depth, int align) {
  const long long raw = static_cast<long long>(width) * nChannels * bytesPerSample(depth);
  const long long step = (raw + align - 1) / align * align;
  return step > std::numeric_limits<int>::max() ? 0 : static_cast<int>(step);
}

void* allocateData(IplImage* image, const char* func) {
  if (!image) return ipl::fail(func, IPL_HeaderIsNull, "image header is null"), nullptr;
  if (image->imageSize <= 0) return ipl::fail(func, IPL_BadImageSize, "image too large"), nullptr;
  const ipl::PixelBlock block = ipl::allocatePixelBlock(static_cast<size_t>(image->imageSize));
  if (!block.pixels) return ipl::fail(func, IPL_StsNoMem, "out of memory"), nullptr;
  image->imageDataOrigin = block.start;
  image->imageData = block.pixels;
  return block.pixels;
}

}  // namespace

IplImage ipl::headerOver(void* pixels, int width, int height, int channels, int widthStep, int origin) {
  static const char* const models[] = {"", "GRAY", "", "RGB", "RGB"};
  static const char* const sequences[] = {"", "GRAY", "", "BGR", "BGRA"};
  IplImage image{};
  image.nSize = sizeof(IplImage);
  image.nChannels = channels;
  image.depth = IPL_DEPTH_8U;
  if (channels >= 1 && channels <= 4) {
    copyTag(image.colorModel, models[channels]);
    copyTag(image.channelSeq, sequences[channels]);
  }
  image.origin = origin;
  image.align = IPL_ALIGN_4BYTES;
  image.width = width;
  image.height = height;
  image.widthStep = widthStep;
  image.imageSize = widthStep * height;
  image.imageData = static_cast<char*>(pixels);
  image.imageDataOrigin = image.imageData;
  return image;
}

extern "C" {

IplImage* iplCreateImageHeader(int nChannels, int alphaChannel, int depth, const char* colorModel,
                               const char* channelSeq, int dataOrder, int origin, int align, int width,
                               int height, IplROI* roi, IplImage* maskROI, void* imageId,
                               IplTileInfo* tileInfo) {
  const char* func = "iplCreateImageHeader";
  if (!validLayout(nChannels, alphaChannel, depth, align, width, height, func)) return nullptr;
  if (dataOrder != IPL_DATA_ORDER_PIXEL) return ipl::fail(func, IPL_BadOrder, "plane order"), nullptr;
  if (origin != IPL_ORIGIN_TL && origin != IPL_ORIGIN_BL)
    return ipl::fail(func, IPL_BadOrigin, "origin"), nullptr;
  // A tiled image keeps its pixels in tiles: no pixel block, whatever its size.
  const int step = alignedStep(width, nChannels, depth, align);
  const long long size = tileInfo ? 0 : static_cast<long long>(step) * height;
  if (step == 0 || size > std::numeric_limits<int>::max())
    return ipl::fail(func, IPL_BadImageSize, "image too large"), nullptr;
  auto* image = static_cast<IplImage*>(std::calloc(1, sizeof(IplImage)));
  if (!image) return ipl::fail(func, IPL_StsNoMem, "out of memory"), nullptr;
  image->nSize = sizeof(IplImage);
  image->nChannels = nChannels;
  image->alphaChannel = alphaChannel;
  image->depth = depth;
  copyTag(image->colorModel, colorModel);
  copyTag(image->channelSeq, channelSeq);
  image->dataOrder = dataOrder;
  image->origin = origin;
  image->align = align;
  image->width = width;
  image->height = height;
  image->roi = roi;
  image->maskROI = maskROI;
  image->imageId = imageId;
  image->tileInfo = tileInfo;
  image->widthStep = step;
  image->imageSize = static_cast<int>(size);
  return image;
}

void iplAllocateImage(IplImage* image, int doFill, int fillValue) {
  void* data = allocateData(image, "iplAllocateImage");
  if (data && doFill) std::memset(data, fillValue, static_cast<size_t>(image->imageSize));
}

void iplAllocateImageFP(IplImage* image, int doFill, float fillValue) {
  if (image && image->depth != IPL_DEPTH_32F) {
    ipl::fail("iplAllocateImageFP", IPL_BadDepth, "not a 32-bit float image");
    return;
  }
  if (allocateData(image, "iplAllocateImageFP") && doFill)
    ipl::fullView(image).setTo(cv::Scalar::all(fillValue));
}

void iplDeallocateHeader(IplImage* image) { std::free(image); }

void iplDeallocateImage(IplImage* image) {
  if (!image) return;
  if (image->imageDataOrigin)
    ipl::releasePixelBlock(image->imageDataOrigin, image->imageData);
  else
    std::free(image->imageData);
  image->imageData = image->imageDataOrigin = nullptr;
}

void iplDeallocate(IplImage* image, int flag) {
  if (!image) return;
  if (flag & IPL_IMAGE_ROI) {
    iplDeleteROI(image->roi);
    image->roi = nullptr;
  }
  if (flag & IPL_IMAGE_DATA) iplDeallocateImage(image);
  if (flag & IPL_IMAGE_HEADER) iplDeallocateHeader(image);
}

// The clone owns a fresh header, ROI and pixels; tile information is not
// carried over because the clone's pixels are plain memory.
IplImage* iplCloneImage(const IplImage* image) {
  const char* func = "iplCloneImage";
  if (!ipl::usable(image, func)) return nullptr;
  IplROI* roi = nullptr;
  if (image->roi) {
    const IplROI& r = *image->roi;
    if (!(roi = iplCreateROI(r.coi, r.xOffset, r.yOffset, r.width, r.height))) return nullptr;
  }
  IplImage* clone =
      iplCreateImageHeader(image->nChannels, image->alphaChannel, image->depth, image->colorModel,
                           image->channelSeq, image->dataOrder, image->origin, image->align, image->width,
                           image->height, roi, nullptr, nullptr, nullptr);
  if (clone) iplAllocateImage(clone, 0, 0);
  if (!clone || !clone->imageData) {
    iplDeleteROI(roi);
    iplDeallocateHeader(clone);
    return nullptr;
  }
  clone->ID = image->ID;
  std::memcpy(clone->BorderMode, image->BorderMode, sizeof clone->BorderMode);
  std::memcpy(clone->BorderConst, image->BorderConst, sizeof clone->BorderConst);
  const int rowBytes = std::min(image->widthStep, clone->widthStep);
  for (int y = 0; y < image->height; ++y)
    std::memcpy(clone->imageData + static_cast<size_t>(y) * clone->widthStep,
                image->imageData + static_cast<size_t>(y) * image->widthStep, rowBytes);
  return clone;
}

IplROI* iplCreateROI(int coi, int xOffset, int yOffset, int width, int height) {
  auto* roi = static_cast<IplROI*>(std::malloc(sizeof(IplROI)));
  if (!roi) return ipl::fail("iplCreateROI", IPL_StsNoMem, "out of memory"), nullptr;
  iplSetROI(roi, coi, xOffset, yOffset, width, height);
  return roi;
}

void iplSetROI(IplROI* roi, int coi, int xOffset, int yOffset, int width, int height) {
  if (!roi) return;
  *roi = IplROI{coi, xOffset, yOffset, width, height};
}

void iplDeleteROI(IplROI* roi) { std::free(roi); }

}  // extern "C"
