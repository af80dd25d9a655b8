#pragma once
// Motion between consecutive frames: each frame is compared with the one
// before it (the reference); only pixels that became brighter count. The score
// is the sum over the three colour channels of the channel's mean increase, so
// a uniform brightening of d levels scores 3d. The detector holds no lock: its
// owner serialises the calls.
#include "trigger/video/VideoFrame.h"

#include <cstdint>
#include <vector>

class CMotionDetector {
 public:
  // Frames after arming that are compared but never trigger.
  static constexpr int kArmingFrames = 20;

  struct Result {
    bool triggered = false;
    bool compared = false;  // false: the frame only became the reference
    double motion = 0;
  };

  // Compares the frame with the reference and writes the difference into the
  // frame's colour channels (alpha is left as it is). On a trigger the
  // reference is dropped, so the next frame starts afresh; otherwise the frame
  // becomes the reference.
  Result Examine(const VideoFrameView& frame, double threshold);
  // The next kArmingFrames frames do not trigger.
  void Arm() { m_arming = kArmingFrames; }
  void Forget() { m_hasReference = false; }

 private:
  // One pass: difference into the frame, frame into the reference; returns the sum.
  uint64_t DiffAndKeep(const VideoFrameView& frame);

  std::vector<uint8_t> m_reference;  // BGR, tightly packed
  int m_width = 0;
  int m_height = 0;
  bool m_hasReference = false;
  int m_arming = 0;
};
