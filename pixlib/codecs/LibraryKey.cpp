#include "pixlib/codecs/LibraryKey.h"

#include <cstring>

#include "pixlib/core/CxImage.h"

unsigned char CxImage::m_cryptoKey[8] = {};
int CxImage::m_cryptoKeyValid = 0;

void CxImage::SetCryptoKey(unsigned char* key) {
  if (key != nullptr) std::memcpy(m_cryptoKey, key, sizeof m_cryptoKey);
  m_cryptoKeyValid = key != nullptr ? 1 : 0;
}

unsigned char* pixcodec::LibraryKey() {
  return CxImage::m_cryptoKeyValid != 0 ? CxImage::m_cryptoKey : nullptr;
}
