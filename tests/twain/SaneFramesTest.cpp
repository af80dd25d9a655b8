// The frames a SANE device states for one picture: a later pass that does not
// match the first, or a picture beyond the decode limit, is refused before
// anything is written.
#include "pixlib/twain/sane/SaneFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

using twainsane::SaneFrames;
using Result = SaneFrames::Result;

SANE_Parameters Frame(SANE_Frame format, int depth, int width, int lines, bool last, int padding = 0) {
  SANE_Parameters p{};
  p.format = format;
  p.depth = depth;
  p.pixels_per_line = width;
  p.lines = lines;
  p.last_frame = last ? SANE_TRUE : SANE_FALSE;
  // Frames far beyond the limit do not fit SANE_Int: those tests set their own.
  const long long bytes =
      (static_cast<long long>(width) * (format == SANE_FRAME_RGB ? 3 : 1) * depth + 7) / 8 + padding;
  p.bytes_per_line = static_cast<SANE_Int>(std::min<long long>(bytes, std::numeric_limits<SANE_Int>::max()));
  return p;
}

Result AddFrame(SaneFrames& frames, const SANE_Parameters& p, SANE_Byte value) {
  if (!frames.Start(p)) return Result::Failed;
  std::vector<SANE_Byte> bytes(frames.ExpectedBytes(), value);
  return frames.Add(bytes);
}

TEST(SaneFrames, APassOfAnotherShapeIsRefused) {
  struct Case {
    SANE_Parameters first, later;
  };
  const Case cases[] = {
      {Frame(SANE_FRAME_RED, 8, 64, 4, false), Frame(SANE_FRAME_GREEN, 16, 64, 4, false)},  // deeper
      {Frame(SANE_FRAME_GRAY, 8, 64, 4, false, 4),
       Frame(SANE_FRAME_GREEN, 8, 64, 4, true)},  // grey, then colour
      {Frame(SANE_FRAME_RED, 8, 64, 4, false), Frame(SANE_FRAME_GREEN, 8, 128, 4, false)},  // wider
      {Frame(SANE_FRAME_RED, 8, 64, 4, false), Frame(SANE_FRAME_RGB, 8, 64, 4, true)},      // no pass
  };
  for (const Case& c : cases) {
    twainsource::ScannedPage page;
    SaneFrames frames(page);
    ASSERT_EQ(AddFrame(frames, c.first, 1), Result::More);
    const std::vector<std::uint8_t> before = page.pixels;
    EXPECT_EQ(AddFrame(frames, c.later, 2), Result::Failed) << c.later.format << " " << c.later.depth;
    EXPECT_EQ(page.pixels, before);
  }
}

TEST(SaneFrames, FramesBeyondTheDecodeLimitOrTheirOwnLinesAreRefusedUnread) {
  twainsource::ScannedPage page;
  SaneFrames frames(page);
  EXPECT_FALSE(frames.Start(Frame(SANE_FRAME_RGB, 16, 1 << 15, 1 << 15, true)));  // 6 GiB
  SANE_Parameters overstated = Frame(SANE_FRAME_RGB, 16, 1 << 30, 4, true);
  overstated.bytes_per_line = 16;  // lines far shorter than their pixels
  EXPECT_FALSE(frames.Start(overstated));
  EXPECT_TRUE(frames.Start(Frame(SANE_FRAME_RGB, 8, 16, 4, true)));
}

}  // namespace
