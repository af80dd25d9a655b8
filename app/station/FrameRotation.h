#pragma once

class CxImage;

// Rotation of a processed frame by the camera's "Rotation" setting (tenths of a
// degree). Quarter and half turns are exact; other angles warp the frame about
// its centre into an image of the same size. Returns the rotated image, which
// is `frame` itself or a new image replacing it (the caller owns both).
CxImage* RotateFrame(CxImage* frame, int tenthsOfDegree);
