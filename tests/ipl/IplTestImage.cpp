#include "tests/ipl/IplTestImage.h"

#include <cstring>

TestImage::TestImage(int width, int height, int channels, int alphaChannel, int origin) {
  const char* seq = channels == 1 ? "GRAY" : channels == 3 ? "BGR" : "BGRA";
  m_image = iplCreateImageHeader(channels, alphaChannel, IPL_DEPTH_8U, channels == 1 ? "GRAY" : "RGB", seq,
                                 IPL_DATA_ORDER_PIXEL, origin, IPL_ALIGN_4BYTES, width, height, nullptr,
                                 nullptr, nullptr, nullptr);
  iplAllocateImage(m_image, 1, 0);
}

TestImage::~TestImage() { iplDeallocate(m_image, IPL_IMAGE_HEADER | IPL_IMAGE_DATA); }

uint8_t& TestImage::at(int x, int y, int c) {
  return reinterpret_cast<uint8_t*>(m_image->imageData)[y * m_image->widthStep + x * m_image->nChannels + c];
}

void TestImage::setRoi(int coi, int x, int y, int w, int h) {
  m_roi = IplROI{coi, x, y, w, h};
  m_image->roi = &m_roi;
}

namespace {
IPLStatus record(IPLStatus status, const char*, const char*, const char*, int) {
  ErrorRecorder::statuses().push_back(status);
  return status;
}
}  // namespace

ErrorRecorder::ErrorRecorder() : m_previous(iplRedirectError(record)) {
  statuses().clear();
  iplSetErrStatus(IPL_StsOk);
}

ErrorRecorder::~ErrorRecorder() {
  iplRedirectError(m_previous);
  iplSetErrStatus(IPL_StsOk);
}

std::vector<IPLStatus>& ErrorRecorder::statuses() {
  static std::vector<IPLStatus> list;
  return list;
}
