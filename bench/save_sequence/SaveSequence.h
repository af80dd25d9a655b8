#pragma once

#include <string>
#include <vector>

class CxImage;

namespace bxbench {

// A synthetic camera photo: smooth shading with sensor-like noise, BGR.
void MakePhoto(CxImage& photo, int width, int height);

// The station's save sequence: the photo saved as JPEG at quality 90, then the
// 1024-pixel thumbnail made from the file, embedded and loaded back.
// Returns seconds.
double TimeStationSaveSequence(CxImage& photo, const std::string& path);

// The same steps done directly with the libraries: TurboJPEG compression and
// file write, read back and decompression at 1/2, cubic resize to 1024 on the
// longer side, compression of the thumbnail and appending it. Returns seconds.
double TimeDirectSaveSequence(CxImage& photo, const std::string& path);

double Median(std::vector<double> values);

}  // namespace bxbench
