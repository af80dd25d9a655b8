#pragma once
// The frames of one SANE picture put together into a page: a single frame,
// or one frame per colour from a three-pass device. The device states each
// frame's shape itself, and it may sit behind a network scanner server, so a
// frame is refused unless its lines hold its pixels, it stays within the
// decode limit and, after the first, it is another colour pass of the first's
// depth and width.

#include <sane/sane.h>

#include <cstddef>
#include <vector>

#include "pixlib/twain/source/ScannedPage.h"

namespace twainsane {

class SaneFrames {
 public:
  enum class Result { Failed, More, Complete };

  explicit SaneFrames(twainsource::ScannedPage& page) : m_page(page) {}

  // The most bytes one frame may take.
  static std::size_t MaxFrameBytes();

  // The next frame's parameters, before its bytes are read; false when the
  // frame cannot be part of the picture.
  bool Start(const SANE_Parameters& parameters);
  // The started frame's size in bytes; 0 when the device does not know it.
  std::size_t ExpectedBytes() const;
  // Puts the started frame's bytes into the page (the first frame shapes it).
  Result Add(std::vector<SANE_Byte>& bytes);

 private:
  static bool IsSeparate(const SANE_Parameters& p);
  static bool IsSound(const SANE_Parameters& p);
  bool MatchesFirst(const SANE_Parameters& p) const;
  Result AddFirst(std::vector<SANE_Byte>& bytes);
  void CopyRows(const std::vector<SANE_Byte>& bytes);

  twainsource::ScannedPage& m_page;
  SANE_Parameters m_first{};
  SANE_Parameters m_frame{};
  int m_frames = 0;
};

}  // namespace twainsane
