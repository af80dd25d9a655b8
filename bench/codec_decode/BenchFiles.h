#pragma once

#include <string>

class CxImage;

namespace bxbench {

// The photo written in each benchmarked format; false when a write failed.
bool WriteBmp(CxImage& photo, const std::string& path);             // 24-bit, uncompressed
bool WriteTga(CxImage& photo, const std::string& path);             // 24-bit, raw, bottom-left
bool WritePcx(CxImage& photo, const std::string& path);             // 8 bits x 3 planes, run-length
bool WriteTiff(CxImage& photo, const std::string& path, bool lzw);  // 8-bit RGB strips

}  // namespace bxbench
